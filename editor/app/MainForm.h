// The main window: it builds the shared managers, the track document and the tool windows at
// start-up, applies the options when first shown and writes them back when destroyed.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDockWidget;
class QSlider;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class TConsoleHelp;
class TConsoleMsgBox;
class TFileDialogService;
class THelpService;
class THOVTrackType;
class TKexGfxManager;
class TKexLog;
class TKexLogForm;
class TMostRecentlyUsed;
class TProgressFrm;
class TWukUserToolBox;
class QLineEdit;
class QMenu;
class TKexObjectManager;
class TKexPhysicsManager;
class TKexResManager;
class TKexShaderManager;
class TKexSoundManager;
class TMessageBoxService;
class TOstTerrain;
class TQtDockHost;
class TQtToolBarHost;
class TSplashForm;
class TVellDXPanel;
class TWukMsg;
class TWukOptions;

struct TMainStartOptions
{
    // Run the whole start-up, then close normally: every message box answers its default
    // (No for a question) and is written to stderr, and help pages are only named there.
    bool ExitAfterStart = false;
    // What the start-up check found for OpenGL (the caller probes before any GL widget).
    bool OpenGLAvailable = false;
    // Services to use instead of the window's own (tests); not owned.
    TMessageBoxService* MsgBox = nullptr;
    THelpService* Help = nullptr;
};

class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit TForm1(const TMainStartOptions& start);
    ~TForm1() override;

    static constexpr const char* ProgramVersion = "0.9.4";

    // What the window holds, for the tests.
    THOVTrackType* Document() const { return FDocument.get(); }
    TVellDXPanel* DXPanel() const { return FDXPanel; }
    TSplashForm* Splash() const { return FSplash; }
    bool StartupStopped() const { return FStopped; }
    // The start-up check's question was answered Yes: the program ends without running.
    bool CloseRequested() const { return FCloseRequested; }
    // Called once the first show has run.
    std::function<void()> OnShown;
    TMostRecentlyUsed* RecentFiles() const { return FRecentFiles.get(); }
    TWukUserToolBox* UserTools() const { return FUserTools.get(); }
    TKexLogForm* LogForm() const { return FLogForm; }
    TProgressFrm* ProgressForm() const { return FProgress; }
    QMenu* MRUPopup = nullptr;
    QWidget* UserToolsPanel = nullptr;
    QLineEdit* ToolPathEdit = nullptr;
    QLineEdit* ToolNameEdit = nullptr;

    // Controls fed by the options.
    QToolButton* WireFrameBtn = nullptr;
    QToolButton* HideSpkrBtn = nullptr;
    QToolButton* QuietBtn = nullptr;
    QCheckBox* LogProgressCheck = nullptr;
    QCheckBox* StartShadowCheck = nullptr;
    QCheckBox* NoZoneCheck = nullptr;
    QCheckBox* PinkTo1555 = nullptr;
    QCheckBox* PackLogCheck = nullptr;
    QCheckBox* DualPassCheck = nullptr;
    QCheckBox* ObjOrientCheck = nullptr;
    QCheckBox* OldUnprojectChk = nullptr;
    QCheckBox* ExpertUsrCheck = nullptr;
    QSlider* JoystickSense = nullptr;
    QSlider* FogDensityBar = nullptr;
    QSlider* SelAlpha = nullptr;
    QComboBox* ResSelectBox = nullptr;
    QTabWidget* RightPages = nullptr;

    // Flags of the window that mirror options.
    bool ConvertPink = true;
    bool NewUnproject = true;
    bool PackLogging = false;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormDestroy();
    void BuildWindow();
    void CreateManagers();
    void ReadOptions();
    void WriteOptions();
    void PlaceWindow();
    // The document's progress and the terrain's (which skips a position of -1 and an empty
    // caption).
    void ProgressHandler(const std::string& text, int position, bool terrain = false);
    bool OpenTrackFile(const std::string& path);
    void RebuildRecentMenu();
    void BuildToolsPage(QWidget* page);
    void UserToolChanged(bool existed, int index);
    void RemoveUserToolControls(int index);
    void ShowLogWindow(bool visible);
    void DocumentChanged(int code);
    void SplashDelay();

    TMainStartOptions FStart;
    bool FCreated = false;
    bool FShowStarted = false;
    bool FShown = false; // the options were read and applied
    bool FStopped = false;
    bool FCloseRequested = false;
    bool FDestroyed = false;
    int FHelpHandle = 0;
    int FUsage = 0;
    std::string FVersionRead;
    int FStoredDocking[3] = {0, 0, 0}; // SelectDocking, NavDocking, LogsDocking
    int FResWidth = 640, FResHeight = 480;

    std::unique_ptr<TWukOptions> FOptions;
    std::unique_ptr<TMessageBoxService> FMsgBox;
    std::unique_ptr<THelpService> FHelp;
    std::unique_ptr<TFileDialogService> FFileDialogs;
    std::unique_ptr<TKexResManager> FResManager;
    std::unique_ptr<TKexGfxManager> FGfxManager;
    std::unique_ptr<TKexObjectManager> FObjectManager;
    std::unique_ptr<TKexShaderManager> FShaderManager;
    std::unique_ptr<TKexPhysicsManager> FPhysicsManager;
    std::unique_ptr<TKexSoundManager> FSoundManager;
    std::unique_ptr<TKexLog> FLog;
    std::unique_ptr<TMostRecentlyUsed> FRecentFiles;
    std::unique_ptr<TWukUserToolBox> FUserTools;
    std::unique_ptr<THOVTrackType> FDocument;
    std::unique_ptr<TOstTerrain> FTerrain;
    std::unique_ptr<TQtToolBarHost> FToolBarHost;
    std::unique_ptr<TQtDockHost> FRightDockHost;
    std::unique_ptr<TQtDockHost> FLeftDockHost;

    TSplashForm* FSplash = nullptr;
    TKexLogForm* FLogForm = nullptr;
    TProgressFrm* FProgress = nullptr;
    TVellDXPanel* FDXPanel = nullptr;
    QToolBar* MainToolBar = nullptr;
    QDockWidget* RightDockPanel = nullptr;
    QDockWidget* LeftDockPanel = nullptr;
    QDockWidget* BottomDockPanel = nullptr;
    QTimer* JoystickTimer = nullptr;
    int FTimerTicks = 0;
};

// Docking codes stored in the options: 0 not visible, 1 floating, 2 right, 3 left, 4 bottom.
int DockingCode(const QMainWindow* window, const QDockWidget* dock);

// The render resolutions offered, as "WIDTHxHEIGHT".
std::vector<std::string> RenderResolutions();
