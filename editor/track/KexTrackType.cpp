#include "track/KexTrackType.h"

#include "core/StrUtils.h"
#include "ride/KexParticles.h"
#include "ride/KexPlayer.h"

#include <QImage>

namespace
{
bool g_GameMissing = false;
}

bool GameMissing()
{
    return g_GameMissing;
}
void SetGameMissing(bool missing)
{
    g_GameMissing = missing;
}

TCustomTrackType::TCustomTrackType(int) : FParticles(std::make_unique<TKexParticleSystem>())
{
    Publish(FParticles.get());
}

TCustomTrackType::~TCustomTrackType()
{
    if (ParticleSystem() == FParticles.get())
        Publish<TKexParticleSystem>(nullptr);
}

int TCustomTrackType::Reserved0()
{
    return 0;
}
void TCustomTrackType::GetErrorText(int, std::string&) {}
void TCustomTrackType::GetFileFilter(std::string&) {}
void TCustomTrackType::GetTypeName(std::string&) {}
void TCustomTrackType::GetFileExtensions(std::string&) {}
int TCustomTrackType::Reserved5()
{
    return 0;
}
void TCustomTrackType::MountResources() {}
void TCustomTrackType::RegisterPlugIns() {}
void TCustomTrackType::GetPackageName(std::string& text)
{
    text.clear();
}
void TCustomTrackType::GetTrackName(std::string& text)
{
    text.clear();
}
int TCustomTrackType::GetObjectCount()
{
    return 0;
}
void TCustomTrackType::GetObjectName(int, std::string& text)
{
    text.clear();
}
int TCustomTrackType::GetSplineCount()
{
    return 0;
}
void TCustomTrackType::GetSplinePath(int, std::string& text)
{
    text.clear();
}
int TCustomTrackType::GetTreeCount()
{
    return 0;
}
int TCustomTrackType::GetTreeTypeCount()
{
    return 0;
}
void TCustomTrackType::GetTreeTypeName(int, std::string& text)
{
    text.clear();
}
void TCustomTrackType::GetHomePosition(TVector3f& point)
{
    point = FHome;
}

void TCustomTrackType::ScreenToGround(int x, int y, float& gx, float& gz)
{
    // The ground plane y = 0 under the screen point.
    TVector3f origin, dir;
    if (!FRenderPanel || !FRenderPanel->ScreenRay(x, y, origin, dir) || dir.y == 0.0f)
        return;
    const float t = -origin.y / dir.y;
    gx = origin.x + dir.x * t;
    gz = origin.z + dir.z * t;
}

void TCustomTrackType::ToolButtonClick(TToolButton*) {}
void TCustomTrackType::ToolButtonLatchChanged(TToolButton*, bool&) {}
void TCustomTrackType::ModeChanged() {}
void TCustomTrackType::ReleaseResources() {}
void TCustomTrackType::UnregisterPlugIns() {}
void TCustomTrackType::BeforeRelease() {}
void TCustomTrackType::StopRide() {}

int TCustomTrackType::Initialise(TRenderView* renderPanel, TWukOptions*)
{
    FRenderPanel = renderPanel;
    RegisterPlugIns();
    MountResources();
    return 0;
}

int TCustomTrackType::Finalise()
{
    BeforeRelease();
    ReleaseResources();
    UnregisterPlugIns();
    return 0;
}

int TCustomTrackType::AfterOpen()
{
    return 0;
}
int TCustomTrackType::CloseTrack()
{
    return 0;
}
void TCustomTrackType::FillPickList(void*, int, TStringItems&) {}
void TCustomTrackType::FillCheckList(TPropertyTreeView*, int, TStringItems&) {}
bool TCustomTrackType::PropertyChanged(const TPropertyRecord&)
{
    return false;
}
int TCustomTrackType::ExecuteCommand(void*, int, int64_t)
{
    return 0;
}
bool TCustomTrackType::IsModified()
{
    return false;
}
void TCustomTrackType::FillSceneProperties(TPropertyTreeView*) {}
int TCustomTrackType::NewTrack()
{
    return 0;
}
int TCustomTrackType::OpenTrack(const std::string&)
{
    return -1;
}
int TCustomTrackType::PackTrack(const std::string&)
{
    return -1;
}
void TCustomTrackType::Reserved43() {}
void TCustomTrackType::Reserved44(const std::string&) {}
void TCustomTrackType::Reserved45() {}

bool TCustomTrackType::PickObject(int& id, const TVector3f&, const TVector3f&)
{
    id = 0;
    return false;
}

bool TCustomTrackType::SelectObject(int, bool, bool, int)
{
    return false;
}
int TCustomTrackType::GetSelectedObject()
{
    return -1;
}
void TCustomTrackType::FillObjectProperties(int, TPropertyTreeView*, int&) {}
void TCustomTrackType::FillObjectList(TStringItems& list)
{
    list.clear();
}
int TCustomTrackType::SetSelectionTransform(const TVector3f&, int)
{
    return 0;
}
int TCustomTrackType::NudgeSelection(const TVector3f&, int, int)
{
    return 0;
}
void TCustomTrackType::CreateToolButtons(TToolBarHost*) {}
int TCustomTrackType::CreateToolWindows(TDockHost*, TDockHost*)
{
    return 0;
}
void TCustomTrackType::SaveToolWindowLayout(TDockHost*, TDockHost*) {}
void TCustomTrackType::ViewActivated(int) {}
void TCustomTrackType::EditAt(int, const TVector3f&, int, int) {}
void TCustomTrackType::PlaceAt(int, int, float, const TVector3f&, int, int) {}
void TCustomTrackType::ClickAt(int, const TVector3f&) {}
void TCustomTrackType::SnapSelectionToGround() {}
int TCustomTrackType::SaveCameraPath(TKexSplinePath*)
{
    return 0;
}
void TCustomTrackType::Reserved65() {}
void TCustomTrackType::Render(TRenderContext*) {}
void TCustomTrackType::PaintOverlay(TCanvasView*) {}
void TCustomTrackType::RenderShadows() {}
void TCustomTrackType::RenderMapImage(QImage&, int, int, int) {}
void TCustomTrackType::RenderShadowMap(TGfxDevice*) {}
bool TCustomTrackType::LoadSpline(int)
{
    return false;
}
bool TCustomTrackType::FillModelTree(TModelTreeView*, bool)
{
    return false;
}
void TCustomTrackType::GetModelCaption(int, std::string& text)
{
    text = "Unknown";
}
void TCustomTrackType::ImportFile(int, const std::string&, float, float) {}
void TCustomTrackType::ExportFile(int, const std::string&, float, float) {}
void TCustomTrackType::SelectResource(int, int, int) {}
void TCustomTrackType::LoadSettings(TWukOptions*) {}
void TCustomTrackType::SaveSettings(TWukOptions*) {}
void TCustomTrackType::MouseMove(unsigned, int, int) {}
void TCustomTrackType::MouseDown(int, unsigned, int, int) {}
void TCustomTrackType::MouseUp(int, unsigned, int, int) {}
bool TCustomTrackType::FindGame()
{
    return false;
}

bool TCustomTrackType::CanOpen(const std::string& fileName)
{
    const std::string ext = LowerCase(ExtractFileExt(fileName));
    if (ext.empty())
        return false;
    std::string extensions;
    GetFileExtensions(extensions);
    return extensions.find(ext) != std::string::npos;
}

void TCustomTrackType::GetTileMap(QImage&, int) {}

TToolButton* TCustomTrackType::AddToolButton(TToolBarHost* parent, const std::string& caption,
                                             int tag, const std::string& bitmapName,
                                             const std::string& hint, bool latching)
{
    if (!parent)
        return nullptr;
    TToolButton* button = parent->AddToolButton(caption, tag, bitmapName, hint, latching);
    if (!button)
        return nullptr;
    button->OnClick = [this](TToolButton* sender) { ToolButtonClick(sender); };
    button->OnLatchChanged = [this](TToolButton* sender, bool& latched)
    { ToolButtonLatchChanged(sender, latched); };
    return button;
}

void TCustomTrackType::NotifyChange(int code)
{
    if (OnChange)
        OnChange(this, code);
}

void TCustomTrackType::ReportProgress(const std::string& text, int position)
{
    if (OnProgress)
        OnProgress(text, position);
}

void TCustomTrackType::SetMode(int mode)
{
    if (mode == FMode)
        return;
    FMode = mode;
    ModeChanged();
}
