// The document for the game's track packages.
#pragma once

#include "track/KexTrackType.h"

#include <memory>
#include <string>

class THovFilePlugIn;
class TKexFileStreamPlugIn;
class THovGfxPlugIn;
class THovObjPlugIn;

// Load error codes and what GetErrorText says for them.
namespace TrackError
{
constexpr int PakFile = -3;
constexpr int TrnFile = -4;
constexpr int ScnFile = -5;
constexpr int ActivityList = -6;
constexpr int ToyFile = -7;
constexpr int ActivityListMissing = -8;
constexpr int ScnFileMissing = -9;
constexpr int DamagedProject = -200;
constexpr int NoMatchingPak = -201;
constexpr int PakDiffers = -202;
constexpr int BadStringLength = -220;
constexpr int InvalidStringLength = -221;
constexpr int UnknownBlock = -222;
} // namespace TrackError

class THOVTrackType : public TCustomTrackType
{
public:
    static constexpr const char* GameInstallKey = "\\Software\\Qorva\\Hovrax\\Install";
    static constexpr const char* FileFilter =
        "Hov Track files|*.pak;*.HOVProject|Hov Track File (*.pak)|*.pak|Hov Project File "
        "(*.HOVProject)|*.HOVProject";

    explicit THOVTrackType(int flags = 4);
    ~THOVTrackType() override;

    void GetErrorText(int code, std::string& text) override;
    void GetFileFilter(std::string& text) override;
    void GetTypeName(std::string& text) override;
    void GetFileExtensions(std::string& text) override;
    int Reserved5() override;
    void MountResources() override;
    void RegisterPlugIns() override;
    void GetPackageName(std::string& text) override;
    void GetTrackName(std::string& text) override;
    int GetObjectCount() override;
    void GetObjectName(int index, std::string& text) override;
    int GetSplineCount() override;
    void GetSplinePath(int index, std::string& text) override;
    int GetTreeCount() override;
    int GetTreeTypeCount() override;
    void GetTreeTypeName(int index, std::string& text) override;
    void GetHomePosition(TVector3f& point) override;
    bool GetObjectOrient() override;
    void ScreenToGround(int x, int y, float& gx, float& gz) override;
    void ToolButtonClick(TToolButton* sender) override;
    void ToolButtonLatchChanged(TToolButton* sender, bool& latched) override;
    void SetObjectOrient(bool flag) override;
    void ModeChanged() override;
    void ReleaseResources() override;
    void UnregisterPlugIns() override;
    void StopRide() override;
    int Initialise(TRenderView* renderPanel, TWukOptions* options) override;
    int Finalise() override;
    int CloseTrack() override;
    void FillCheckList(TPropertyTreeView* tree, int rowTag, TStringItems& checks) override;
    bool PropertyChanged(const TPropertyRecord& record) override;
    int ExecuteCommand(void* sender, int code, int64_t parameter) override;
    bool IsModified() override;
    int NewTrack() override;
    int OpenTrack(const std::string& fileName) override;
    int PackTrack(const std::string& fileName) override;
    void SavePhysics(const std::string& fileName) override;
    void LoadPhysics(const std::string& fileName) override;
    bool PickObject(int& id, const TVector3f& origin, const TVector3f& direction) override;
    bool SelectObject(int id, bool flag, bool locate, int extra) override;
    int GetSelectedObject() override;
    void FillObjectProperties(int id, TPropertyTreeView* tree, int& height) override;
    void FillObjectList(TStringItems& list) override;
    void LocateObject(int id) override;
    int SetSelectionTransform(const TVector3f& values, int mode) override;
    int NudgeSelection(const TVector3f& step, int mode, int extra) override;
    void CreateToolButtons(TToolBarHost* toolBar) override;
    int CreateToolWindows(TDockHost* rightDock, TDockHost* leftDock) override;
    void SaveToolWindowLayout(TDockHost* rightDock, TDockHost* leftDock) override;
    void ShowToolWindows() override;
    void EditAt(int kind, const TVector3f& point, int extra, int flag) override;
    void PlaceAt(int kind, int folder, float rotation, const TVector3f& point, int extra,
                 int entry) override;
    void ClickAt(int kind, const TVector3f& point) override;
    void SnapSelectionToGround() override;
    void MakePartsList() override;
    void PaintOverlay(TCanvasView* canvas) override;
    void RenderShadowMap(TGfxDevice* device) override;
    bool LoadSpline(int n) override;
    bool FillModelTree(TModelTreeView* tree, bool flag) override;
    void GetModelCaption(int id, std::string& text) override;
    void MouseMove(unsigned shift, int x, int y) override;
    void MouseDown(int button, unsigned shift, int x, int y) override;
    void MouseUp(int button, unsigned shift, int x, int y) override;
    bool FindGame() override;
    void GetTileMap(QImage& bitmap, int pixelsPerTile) override;
    void CreateControls(uintptr_t instance, int defaultDeviceType, uintptr_t window) override;

    // Paths: GamePath ends with a separator; UserTracksPath is GamePath + "Data\UserTracks\".
    std::string GamePath;
    std::string UserTracksPath;
    std::string TrackFolder;   // e.g. "Data\UserTracks\NewTrack\"
    std::string TrackBase;     // e.g. "Data\UserTracks\NewTrack\NewTrack"
    std::string TrackFileName; // e.g. "NewTrack"

    bool Loaded = false;
    bool Riding = false;
    int FrameCount = 0;
    int FramesPerSecond = 0;
    float Elapsed = 0.0f;
    int32_t RenderFlags = 0; // 2: objects cast shadows, 4: trees cast shadows, 8: AND map copy
    int32_t PackageIndex = -1;
    float SplineWidth = 40.0f;

    TToolButton* TestInGameButton() const { return FTestInGameBtn; }
    TToolButton* TestInEditorButton() const { return FTestInEditorBtn; }

private:
    // Runs the test ride inside the latch handler; false when it could not start.
    bool RunTestRide();

    TWukOptions* FOptions = nullptr;
    TToolButton* FTestInGameBtn = nullptr;
    TToolButton* FTestInEditorBtn = nullptr;
    uintptr_t FControlsInstance = 0;
    int FControlsDeviceType = 0;
    uintptr_t FControlsWindow = 0;
    // The file, texture and model plug-ins while registered with the managers.
    std::unique_ptr<THovFilePlugIn> FFilePlugIn;
    std::unique_ptr<TKexFileStreamPlugIn> FKexPlugIn;
    std::unique_ptr<THovGfxPlugIn> FGfxPlugIn;
    std::unique_ptr<THovObjPlugIn> FObjPlugIn;
};
