#include "track/HOVTrackType.h"

#include "KexPhysics.h"
#include "archive/HovResPlugIns.h"
#include "archive/KexFileStream.h"
#include "archive/KexGraphicsManager.h"
#include "archive/KexObjectManager.h"
#include "archive/KexResourceManager.h"
#include "core/Paths.h"
#include "core/StrUtils.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "platform/WukOptions.h"
#include "ride/KexParticles.h"
#include "ride/KexPhysicsManager.h"
#include "ride/KexPlayer.h"
#include "terrain/OstTrn.h"

#include <QImage>
#include <cmath>

namespace
{
struct TErrorText
{
    int Code;
    const char* Text;
};

constexpr TErrorText kErrorTexts[] = {
    {TrackError::PakFile, "Error in the PAK file."},
    {TrackError::TrnFile, "Error loading the TRN file."},
    {TrackError::ScnFile, "Error loading the SCN file."},
    {TrackError::ActivityList, "Error loading the Activity list."},
    {TrackError::ToyFile, "Error loading the TOY file."},
    {TrackError::ActivityListMissing, "Activity List not found."},
    {TrackError::ScnFileMissing, "SCN file not found."},
    {TrackError::DamagedProject, "Damaged project file."},
    {TrackError::NoMatchingPak, "Can't find a matching PAK file."},
    {TrackError::PakDiffers, "The PAK file is different from the project file."},
    {TrackError::BadStringLength, "Bad string length at: "},
    {TrackError::InvalidStringLength, "Invalid string length at offset: "},
    {TrackError::UnknownBlock, "Unknown block at offset: "},
};

// The resource folders of an installed game, in search order: path below the game folder,
// caption, recurse, flags.
struct TGameFolder
{
    const char* Path;
    const char* Caption;
    bool Recurse;
    unsigned Flags;
};

constexpr TGameFolder kGameFolders[] = {
    {"data\\common.pak", "Common", false, 1},
    {"data\\tex.pak", "Textures", false, 3},
    {"data\\env.pak", "Activity", false, 3},
    {"data\\aud.pak", "Audio", false, 1},
    {"Media\\ecosystems\\", "Eco Systems", false, 0},
    {"Media\\hiTexture\\", "Bump maps", false, 1},
    {"Media\\pco\\", "Physics", false, 3},
    {"Media\\stadium\\", "Stadiums", false, 3},
    {"Media\\CustomModels\\", "", true, 0},
};
} // namespace

THOVTrackType::THOVTrackType(int flags) : TCustomTrackType(flags) {}

THOVTrackType::~THOVTrackType()
{
    // The managers outlive the document: they must not keep its plug-ins.
    UnregisterPlugIns();
}

void THOVTrackType::GetErrorText(int code, std::string& text)
{
    text.clear();
    for (const TErrorText& e : kErrorTexts)
        if (e.Code == code)
            text = e.Text;
}

void THOVTrackType::GetFileFilter(std::string& text)
{
    text = FileFilter;
}
void THOVTrackType::GetTypeName(std::string& text)
{
    text = "Hovrax Track File";
}
void THOVTrackType::GetFileExtensions(std::string& text)
{
    text = ".pak.hovproject";
}
int THOVTrackType::Reserved5()
{
    return 1;
}

void THOVTrackType::MountResources()
{
    TKexResManager* res = ResManager();
    const std::string program = ProgramFolder();
    if (res)
    {
        if (GameMissing())
            res->AddPath(program + "models\\", "Kexora models", false, 1);
        else
        {
            for (const TGameFolder& f : kGameFolders)
                res->AddPath(GamePath + f.Path, f.Caption, f.Recurse, f.Flags);
            res->AddPath(program + "defaults\\atv_turn_spring.kex", "Kexora", false, 3);
        }
        res->AddPath(program + "defaults\\", "Kexora defaults", false, 1);
    }
    FPlayer = std::make_unique<THovPlayer>();
    NotifyChange(TrackChange::PlayerCreated);
}

void THOVTrackType::RegisterPlugIns()
{
    UnregisterPlugIns();
    FFilePlugIn = std::make_unique<THovFilePlugIn>();
    FKexPlugIn = std::make_unique<TKexFileStreamPlugIn>();
    FGfxPlugIn = std::make_unique<THovGfxPlugIn>();
    FObjPlugIn = std::make_unique<THovObjPlugIn>();
    if (TKexResManager* res = ResManager())
    {
        res->RegisterPlugIn(FFilePlugIn.get());
        res->RegisterPlugIn(FKexPlugIn.get());
    }
    if (TKexGfxManager* gfx = GfxManager())
        gfx->RegisterPlugIn(FGfxPlugIn.get());
    if (TKexObjectManager* objects = ObjectManager())
        objects->RegisterPlugIn(FObjPlugIn.get());
}

void THOVTrackType::GetPackageName(std::string& text)
{
    text.clear();
}

void THOVTrackType::GetTrackName(std::string& text)
{
    // Without a scene the package's file name names the track; without a package, nothing.
    GetPackageName(text);
}

int THOVTrackType::GetObjectCount()
{
    return 0;
}
void THOVTrackType::GetObjectName(int, std::string& text)
{
    text.clear();
}
int THOVTrackType::GetSplineCount()
{
    return 0;
}
void THOVTrackType::GetSplinePath(int, std::string& text)
{
    text.clear();
}
int THOVTrackType::GetTreeCount()
{
    return 0;
}
int THOVTrackType::GetTreeTypeCount()
{
    return 0;
}
void THOVTrackType::GetTreeTypeName(int, std::string& text)
{
    text.clear();
}

void THOVTrackType::GetHomePosition(TVector3f& point)
{
    const TOstTerrain* terrain = Terrain();
    if (!terrain || !terrain->HasHeights())
    {
        TCustomTrackType::GetHomePosition(point);
        return;
    }
    // The centre of the terrain's square, measured along its tiles-across side.
    const float half = terrain->CellSize() * float(terrain->TilesAcross()) * 256.0f / 2.0f;
    point = {half, terrain->HeightAt(half, half), half};
}

bool THOVTrackType::GetObjectOrient()
{
    return false;
}

void THOVTrackType::ScreenToGround(int x, int y, float& gx, float& gz)
{
    TCustomTrackType::ScreenToGround(x, y, gx, gz);
    const TOstTerrain* terrain = Terrain();
    TVector3f origin, dir;
    if (!terrain || !FRenderPanel || !FRenderPanel->ScreenRay(x, y, origin, dir) || dir.y == 0.0f)
        return;
    // Twice: the plane at the terrain height under the last estimate.
    for (int pass = 0; pass < 2; ++pass)
    {
        const float h = terrain->HeightAt(gx, gz);
        const float t = (h - origin.y) / dir.y;
        gx = origin.x + dir.x * t;
        gz = origin.z + dir.z * t;
    }
}

void THOVTrackType::ToolButtonClick(TToolButton* sender)
{
    if (!sender || sender->Tag() != 1 || !Loaded)
        return;
    // The game launch is wired here once packing exists.
}

void THOVTrackType::ToolButtonLatchChanged(TToolButton* sender, bool& latched)
{
    if (!sender || sender->Tag() != 2)
        return;
    Riding = latched;
    if (latched && !RunTestRide())
    {
        Riding = false;
        latched = false;
    }
}

bool THOVTrackType::RunTestRide()
{
    // A ride needs a loaded track and the physics bridge.
    const bool started = false;
    if (!started)
    {
        if (KexPhysicsVersion() == KEXPHYSICS_INTERFACE_VERSION)
            MsgBox().ShowMessageBox(
                "There was a problem initialising the player models, can't start the game loop.",
                "Ride error", false, false);
        else
            MsgBox().ShowMessageBox(
                std::string("You have the wrong version of the KexPhysics.dll. You need version:") +
                    "1" + "." + "7",
                "Ride error", false, false);
    }
    return started;
}

void THOVTrackType::SetObjectOrient(bool) {}

void THOVTrackType::ModeChanged()
{
    if (FMode == TrackMode::Objects && FRenderPanel)
        FRenderPanel->SetKeyboardFocus();
}

void THOVTrackType::ReleaseResources()
{
    FPlayer.reset();
    if (TKexResManager* res = ResManager())
        while (res->Count() > 0)
            res->RemoveFolder(0);
}

void THOVTrackType::UnregisterPlugIns()
{
    if (TKexResManager* res = ResManager())
    {
        res->UnregisterPlugIn(FFilePlugIn.get());
        res->UnregisterPlugIn(FKexPlugIn.get());
    }
    if (TKexGfxManager* gfx = GfxManager())
        gfx->UnregisterPlugIn(FGfxPlugIn.get());
    if (TKexObjectManager* objects = ObjectManager())
        objects->UnregisterPlugIn(FObjPlugIn.get());
    FFilePlugIn.reset();
    FKexPlugIn.reset();
    FGfxPlugIn.reset();
    FObjPlugIn.reset();
}

void THOVTrackType::StopRide()
{
    if (Riding && FTestInEditorBtn)
        FTestInEditorBtn->SetLatched(false);
}

int THOVTrackType::Initialise(TRenderView* renderPanel, TWukOptions* options)
{
    TCustomTrackType::Initialise(renderPanel, options);
    FOptions = options;
    PackageIndex = -1;
    SplineWidth = 40.0f;
    if (FPlayer)
    {
        const std::string def = FPlayer->DefaultPhysicsFile();
        std::string file = options ? options->ReadStringDef("physicsfile", "Physics", def) : def;
        if (file.empty() || !FileExists(file))
            file = def;
        LoadPhysics(file);
    }
    return 0;
}

int THOVTrackType::Finalise()
{
    CloseTrack();
    TCustomTrackType::Finalise();
    return 0;
}

int THOVTrackType::CloseTrack()
{
    PackageIndex = -1;
    FReserved = 0;
    FReservedFlag = 0;
    if (TOstTerrain* terrain = Terrain())
    {
        terrain->Reset();
        terrain->OnProgress = [this](const std::string& text, int position)
        { ReportProgress(text, position); };
    }
    if (TKexParticleSystem* particles = ParticleSystem())
        particles->Clear();
    TrackFolder.clear();
    TrackBase.clear();
    TrackFileName.clear();
    Loaded = false;
    return 0;
}

void THOVTrackType::FillCheckList(TPropertyTreeView*, int, TStringItems&) {}
bool THOVTrackType::PropertyChanged(const TPropertyRecord&)
{
    return false;
}
int THOVTrackType::ExecuteCommand(void*, int, int64_t)
{
    return 0;
}

bool THOVTrackType::IsModified()
{
    const TOstTerrain* terrain = Terrain();
    return terrain && terrain->Modified();
}

int THOVTrackType::NewTrack()
{
    return -1;
}
int THOVTrackType::OpenTrack(const std::string&)
{
    return TrackError::PakFile;
}
int THOVTrackType::PackTrack(const std::string&)
{
    return -1;
}

namespace
{
std::string WithPhysicsExtension(const std::string& fileName)
{
    return ExtractFileExt(fileName).empty() ? fileName + ".kex" : fileName;
}
} // namespace

void THOVTrackType::SavePhysics(const std::string& fileName)
{
    if (!FPlayer)
    {
        MsgBox().ShowMessageBox(
            "There is a problem with the physics engine so you can't save the physics data.",
            "Can't save physics data", false, false);
        return;
    }
    const std::string file = WithPhysicsExtension(fileName);
    if (FOptions)
        FOptions->WriteString("physicsfile", "Physics", file);
}

void THOVTrackType::LoadPhysics(const std::string& fileName)
{
    if (!FPlayer)
    {
        MsgBox().ShowMessageBox(
            "The player object has not been initialised so you can't load any physics data.",
            "Can't load physics data", false, false);
        return;
    }
    const std::string file = WithPhysicsExtension(fileName);
    NotifyChange(TrackChange::PhysicsLoaded);
    if (FOptions)
        FOptions->WriteString("physicsfile", "Physics", file);
}

bool THOVTrackType::PickObject(int& id, const TVector3f&, const TVector3f&)
{
    id = 0;
    return false;
}

bool THOVTrackType::SelectObject(int, bool, bool, int)
{
    return false;
}
int THOVTrackType::GetSelectedObject()
{
    return -1;
}
void THOVTrackType::FillObjectProperties(int, TPropertyTreeView*, int&) {}
void THOVTrackType::FillObjectList(TStringItems& list)
{
    list.clear();
}
void THOVTrackType::LocateObject(int) {}
int THOVTrackType::SetSelectionTransform(const TVector3f&, int)
{
    return 0;
}
int THOVTrackType::NudgeSelection(const TVector3f&, int, int)
{
    return 0;
}

void THOVTrackType::CreateToolButtons(TToolBarHost* toolBar)
{
    if (!GameMissing())
        FTestInGameBtn =
            AddToolButton(toolBar, "", 1, "HELMETBTN", "Test the current track in the game", false);
    FTestInEditorBtn =
        AddToolButton(toolBar, "", 2, "PLAYBTN", "Test the current track in the editor", true);
    if (FTestInGameBtn)
        FTestInGameBtn->SetEnabled(false);
    if (FTestInEditorBtn)
        FTestInEditorBtn->SetEnabled(false);
}

int THOVTrackType::CreateToolWindows(TDockHost*, TDockHost*)
{
    return 0;
}
void THOVTrackType::SaveToolWindowLayout(TDockHost*, TDockHost*) {}
void THOVTrackType::ShowToolWindows() {}
void THOVTrackType::EditAt(int, const TVector3f&, int, int) {}

void THOVTrackType::PlaceAt(int kind, int, float, const TVector3f&, int, int)
{
    if (kind == 8)
        MsgBox().ShowMessageBox("Sorry placing animated models is not yet supported.",
                                "Place animation", false, false);
    else if (kind != 1 && kind != 9)
        MsgBox().ShowMessageBox("Sorry placing this type of object is not supported yet.",
                                "Object placement error", false, false);
}

void THOVTrackType::ClickAt(int, const TVector3f&) {}
void THOVTrackType::SnapSelectionToGround() {}
void THOVTrackType::MakePartsList() {}
void THOVTrackType::PaintOverlay(TCanvasView*) {}
void THOVTrackType::RenderShadowMap(TGfxDevice*) {}
bool THOVTrackType::LoadSpline(int)
{
    return false;
}
bool THOVTrackType::FillModelTree(TModelTreeView*, bool)
{
    return false;
}

void THOVTrackType::GetModelCaption(int, std::string& text)
{
    text = "Unknown";
}

void THOVTrackType::MouseMove(unsigned, int, int) {}
void THOVTrackType::MouseDown(int, unsigned, int, int) {}
void THOVTrackType::MouseUp(int, unsigned, int, int) {}

bool THOVTrackType::FindGame()
{
    bool found = false;
    TRegistryStore& reg = Registry();
    if (reg.KeyExists(GameInstallKey))
    {
        const auto path = reg.ReadValue(GameInstallKey, "Path");
        GamePath = path && path->Type == TRegValueType::String ? path->Text : std::string();
        // The installer writes the folder with its separator; one typed by hand may lack it.
        if (!GamePath.empty() && GamePath.back() != '\\' && GamePath.back() != '/')
            GamePath += '/';
        UserTracksPath = GamePath + "Data\\UserTracks\\";
        found = FileExists(GamePath + "Data\\Common.pak");
    }
    SetGameMissing(!found);
    return found;
}

void THOVTrackType::GetTileMap(QImage& bitmap, int pixelsPerTile)
{
    const TOstTerrain* terrain = Terrain();
    const int across = terrain ? terrain->TilesAcross() : 0;
    const int down = terrain ? terrain->TilesDown() : 0;
    const int p = std::max(0, pixelsPerTile);
    if (bitmap.isNull() || bitmap.width() != across * p || bitmap.height() != down * p)
        bitmap = QImage(across * p, down * p, QImage::Format_RGB888);
    bitmap.fill(0);
}

void THOVTrackType::CreateControls(uintptr_t instance, int defaultDeviceType, uintptr_t window)
{
    FControlsInstance = instance;
    FControlsDeviceType = defaultDeviceType;
    FControlsWindow = window;
}
