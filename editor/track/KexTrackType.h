// The track type interface: everything the main window asks of the track being edited goes
// through these operations. The base answers each with a do-nothing default; THOVTrackType is
// the document for the game's track packages.
#pragma once

#include "core/MatrixMaths.h"
#include "platform/DocumentViews.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QImage;
class TWukOptions;
class TKexPlayer;
class TKexParticleSystem;
class TKexSplinePath;
class TModelTreeView;

// A list entry with the object it stands for (an object id, a tag).
struct TStringItem
{
    std::string Text;
    int64_t Object = 0;
};
using TStringItems = std::vector<TStringItem>;

// Object ids and the owner bits of property ids.
namespace TrackIds
{
constexpr int SceneObjectBase = 0x100000; // scene object n: SceneObjectBase + n
constexpr int ModelCategoryBase = 0x8000; // model library category n
constexpr int OwnerScene = 0x10000;
constexpr int OwnerActivityList = 0x20000;
constexpr int OwnerEnvironment = 0x40000;
constexpr int OwnerSceneObject = 0x100000;
constexpr int OwnerPhysicsManager = 0x800000;
constexpr int OwnerPlayer = 0x1000000;
} // namespace TrackIds

// Change codes the document fires through OnChange.
namespace TrackChange
{
constexpr int EcoSystem = 0;
constexpr int SceneObjects = 1;
constexpr int TerrainTiles = 3;
constexpr int PlayerCreated = 4;
constexpr int RideStarted = 5;
constexpr int RideEnded = 6;
constexpr int PhysicsLoaded = 7;
} // namespace TrackChange

// Edit modes: the view id of the main window's active page.
namespace TrackMode
{
constexpr int Objects = 0;
constexpr int Terrain = 1;
constexpr int Splines = 2;
constexpr int EcoSystem = 3;
constexpr int Logs = 4;
constexpr int Tools = 5;
constexpr int Options = 6;
} // namespace TrackMode

class TCustomTrackType
{
public:
    using TProgressEvent = std::function<void(const std::string& text, int position)>;
    using TChangeEvent = std::function<void(TCustomTrackType* sender, int code)>;

    explicit TCustomTrackType(int flags = 4);
    virtual ~TCustomTrackType();
    TCustomTrackType(const TCustomTrackType&) = delete;
    TCustomTrackType& operator=(const TCustomTrackType&) = delete;

    // --- the operations, in slot order ---
    virtual int Reserved0();                                                               // 0
    virtual void GetErrorText(int code, std::string& text);                                // 1
    virtual void GetFileFilter(std::string& text);                                         // 2
    virtual void GetTypeName(std::string& text);                                           // 3
    virtual void GetFileExtensions(std::string& text);                                     // 4
    virtual int Reserved5();                                                               // 5
    virtual void MountResources();                                                         // 6
    virtual void RegisterPlugIns();                                                        // 7
    virtual void GetPackageName(std::string& text);                                        // 8
    virtual void GetTrackName(std::string& text);                                          // 9
    virtual int GetObjectCount();                                                          // 10
    virtual void GetObjectName(int index, std::string& text);                              // 11
    virtual int GetSplineCount();                                                          // 12
    virtual void GetSplinePath(int index, std::string& text);                              // 13
    virtual int GetTreeCount();                                                            // 14
    virtual int GetTreeTypeCount();                                                        // 15
    virtual void GetTreeTypeName(int index, std::string& text);                            // 16
    virtual void GetHomePosition(TVector3f& point);                                        // 17
    virtual bool GetObjectOrient() = 0;                                                    // 18
    virtual void ScreenToGround(int x, int y, float& gx, float& gz);                       // 19
    virtual void ToolButtonClick(TToolButton* sender);                                     // 20
    virtual void ToolButtonLatchChanged(TToolButton* sender, bool& latched);               // 21
    virtual void SetObjectOrient(bool flag) = 0;                                           // 22
    virtual void ModeChanged();                                                            // 23
    virtual void ReleaseResources();                                                       // 24
    virtual void UnregisterPlugIns();                                                      // 25
    virtual void BeforeRelease();                                                          // 26
    virtual void StopRide();                                                               // 27
    virtual int Initialise(TRenderView* renderPanel, TWukOptions* options);                // 28
    virtual int Finalise();                                                                // 29
    virtual int AfterOpen();                                                               // 30
    virtual int CloseTrack();                                                              // 31
    virtual void FillPickList(void* sender, int propertyId, TStringItems& list);           // 32
    virtual void FillCheckList(TPropertyTreeView* tree, int rowTag, TStringItems& checks); // 33
    virtual bool PropertyChanged(const TPropertyRecord& record);                           // 34
    virtual int ExecuteCommand(void* sender, int code, int64_t parameter);                 // 35
    virtual bool IsModified();                                                             // 36
    virtual void FillSceneProperties(TPropertyTreeView* tree);                             // 37
    virtual int NewTrack();                                                                // 38
    virtual int OpenTrack(const std::string& fileName);                                    // 39
    virtual int PackTrack(const std::string& fileName);                                    // 40
    virtual void SavePhysics(const std::string& fileName) = 0;                             // 41
    virtual void LoadPhysics(const std::string& fileName) = 0;                             // 42
    virtual void Reserved43();                                                             // 43
    virtual void Reserved44(const std::string& text);                                      // 44
    virtual void Reserved45();                                                             // 45
    virtual bool PickObject(int& id, const TVector3f& origin, const TVector3f& direction); // 46
    virtual bool SelectObject(int id, bool flag, bool locate, int extra);                  // 47
    virtual int GetSelectedObject();                                                       // 48
    virtual void FillObjectProperties(int id, TPropertyTreeView* tree, int& height);       // 49
    virtual void FillObjectList(TStringItems& list);                                       // 50
    virtual void LocateObject(int id) = 0;                                                 // 51
    virtual int SetSelectionTransform(const TVector3f& values, int mode);                  // 52
    virtual int NudgeSelection(const TVector3f& step, int mode, int extra);                // 53
    virtual void CreateToolButtons(TToolBarHost* toolBar);                                 // 54
    virtual int CreateToolWindows(TDockHost* rightDock, TDockHost* leftDock);              // 55
    virtual void SaveToolWindowLayout(TDockHost* rightDock, TDockHost* leftDock);          // 56
    virtual void ShowToolWindows() = 0;                                                    // 57
    virtual void ViewActivated(int viewId);                                                // 58
    virtual void EditAt(int kind, const TVector3f& point, int extra, int flag);            // 59
    virtual void PlaceAt(int kind, int folder, float rotation, const TVector3f& point, int extra,
                         int entry);                                                  // 60
    virtual void ClickAt(int kind, const TVector3f& point);                           // 61
    virtual void SnapSelectionToGround();                                             // 62
    virtual void MakePartsList() = 0;                                                 // 63
    virtual int SaveCameraPath(TKexSplinePath* path);                                 // 64
    virtual void Reserved65();                                                        // 65
    virtual void Render(TRenderContext* context);                                     // 66
    virtual void PaintOverlay(TCanvasView* canvas);                                   // 67
    virtual void RenderShadows();                                                     // 68
    virtual void RenderMapImage(QImage& bitmap, int flags, int x0, int z0);           // 69
    virtual void RenderShadowMap(TGfxDevice* device);                                 // 70
    virtual bool LoadSpline(int n);                                                   // 71
    virtual bool FillModelTree(TModelTreeView* tree, bool flag);                      // 72
    virtual void GetModelCaption(int id, std::string& text);                          // 73
    virtual void ImportFile(int kind, const std::string& fileName, float x, float z); // 74
    virtual void ExportFile(int kind, const std::string& fileName, float x, float z); // 75
    virtual void SelectResource(int kind, int folder, int entry);                     // 76
    virtual void LoadSettings(TWukOptions* options);                                  // 77
    virtual void SaveSettings(TWukOptions* options);                                  // 78
    virtual void MouseMove(unsigned shift, int x, int y);                             // 79
    virtual void MouseDown(int button, unsigned shift, int x, int y);                 // 80
    virtual void MouseUp(int button, unsigned shift, int x, int y);                   // 81
    virtual bool FindGame();                                                          // 82
    virtual bool CanOpen(const std::string& fileName);                                // 83
    virtual void GetTileMap(QImage& bitmap, int pixelsPerTile);                       // 84
    virtual void CreateControls(uintptr_t instance, int defaultDeviceType,
                                uintptr_t window) = 0; // 85

    // --- the document's own operations ---
    // Adds a button to the tool bar wired to ToolButtonClick / ToolButtonLatchChanged;
    // nullptr when the bitmap resource is missing.
    TToolButton* AddToolButton(TToolBarHost* parent, const std::string& caption, int tag,
                               const std::string& bitmapName, const std::string& hint,
                               bool latching = false);
    void NotifyChange(int code);
    void ReportProgress(const std::string& text, int position);

    int Mode() const { return FMode; }
    void SetMode(int mode);

    TRenderView* RenderPanel() const { return FRenderPanel; }
    TKexPlayer* Player() const { return FPlayer.get(); }

    uint8_t SelectionAlpha = 255;
    TProgressEvent OnProgress;
    TChangeEvent OnChange;

protected:
    TVector3f FHome{};
    TRenderView* FRenderPanel = nullptr;
    int FMode = TrackMode::Objects;
    std::unique_ptr<TKexPlayer> FPlayer;
    int32_t FReserved = 0;
    uint8_t FReservedFlag = 0;

private:
    std::unique_ptr<TKexParticleSystem> FParticles;
};

// True when FindGame did not find the game's installation: the editor runs in demo mode.
bool GameMissing();
void SetGameMissing(bool missing);
