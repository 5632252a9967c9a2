#include "app/MainForm.h"

#include "KexPhysics.h"
#include "app/AppServices.h"
#include "app/KexLoggingForm.h"
#include "app/ProgressForm.h"
#include "app/SplashForm.h"
#include "app/StartupCheck.h"
#include "app/VDXPanel.h"
#include "app/WukMsgBox.h"
#include "archive/KexGraphicsManager.h"
#include "archive/KexObjectManager.h"
#include "archive/KexResourceManager.h"
#include "core/Paths.h"
#include "core/StrUtils.h"
#include "platform/FileDialogs.h"
#include "platform/KexLog.h"
#include "platform/MessageBox.h"
#include "platform/MostRecentlyUsed.h"
#include "platform/WukOptions.h"
#include "platform/WukUserToolBox.h"
#include "render/KexShaderManager.h"
#include "ride/KexPhysicsManager.h"
#include "ride/KexSoundManager.h"
#include "terrain/OstTrn.h"
#include "track/HOVTrackType.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QEventLoop>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{
constexpr const char* kOptions = "options";

QCheckBox* AddCheck(QVBoxLayout* layout, const char* name, const char* caption)
{
    auto* box = new QCheckBox(caption);
    box->setObjectName(name);
    layout->addWidget(box);
    return box;
}

QSlider* AddSlider(QFormLayout* layout, const char* name, const char* caption, int min, int max)
{
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(name);
    slider->setRange(min, max);
    layout->addRow(caption, slider);
    return slider;
}

QToolButton* AddLatch(QToolBar* bar, const char* name, const char* text, const char* hint)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(hint);
    button->setCheckable(true);
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

// A page of the dock area; it scrolls, so its controls never force the window's height.
QWidget* Page(QTabWidget* pages, const char* name, int viewId)
{
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setProperty("viewId", viewId);
    auto* page = new QWidget;
    page->setObjectName(QString(name).remove(' ') + "Page");
    scroll->setWidget(page);
    pages->addTab(scroll, name);
    return page;
}
} // namespace

int DockingCode(const QMainWindow* window, const QDockWidget* dock)
{
    if (!dock || !dock->isVisible())
        return 0;
    if (dock->isFloating() || !window)
        return 1;
    switch (window->dockWidgetArea(const_cast<QDockWidget*>(dock)))
    {
    case Qt::RightDockWidgetArea:
        return 2;
    case Qt::LeftDockWidgetArea:
        return 3;
    case Qt::BottomDockWidgetArea:
        return 4;
    default:
        return 1;
    }
}

std::vector<std::string> RenderResolutions()
{
    return {"640x480", "800x600", "1024x768", "1280x720", "1280x1024", "1600x900", "1920x1080"};
}

TForm1::TForm1(const TMainStartOptions& start) : FStart(start)
{
    setObjectName("Form1");
    setWindowTitle("Hovrax Brakken Editor Tiv");
    BuildWindow();
    FormCreate();
}

TForm1::~TForm1()
{
    FormDestroy();
}

void TForm1::BuildWindow()
{
    MainToolBar = addToolBar("Main");
    MainToolBar->setObjectName("MainToolBar");
    MainToolBar->setMovable(false);
    MainToolBar->setIconSize(QSize(32, 32));
    auto* exitBtn = MainToolBar->addAction("Exit");
    exitBtn->setObjectName("ExitBtn");
    connect(exitBtn, &QAction::triggered, this, &QWidget::close);
    auto* mruBtn = new QToolButton(MainToolBar);
    mruBtn->setObjectName("MRUBtn");
    mruBtn->setText("Recent");
    mruBtn->setToolTip("Recently opened tracks");
    mruBtn->setPopupMode(QToolButton::InstantPopup);
    MRUPopup = new QMenu(mruBtn);
    MRUPopup->setObjectName("MRUPopup");
    mruBtn->setMenu(MRUPopup);
    MainToolBar->addWidget(mruBtn);
    MainToolBar->addSeparator();
    WireFrameBtn = AddLatch(MainToolBar, "WireFrameBtn", "Wire", "Render in wire mode");
    HideSpkrBtn = AddLatch(MainToolBar, "HideSpkrBtn", "Speakers",
                           "Hide all static sound markers for snap shots");
    QuietBtn = AddLatch(MainToolBar, "QuietBtn", "Quiet", "Turn all sounds off");
    MainToolBar->addSeparator();
    connect(WireFrameBtn, &QToolButton::toggled, this,
            [this](bool on)
            {
                if (FDXPanel)
                {
                    FDXPanel->WireFrame = on;
                    FDXPanel->Invalidate();
                }
            });

    RightDockPanel = new QDockWidget("Tools", this);
    RightDockPanel->setObjectName("RightDockPanel");
    RightDockPanel->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    RightPages = new QTabWidget(RightDockPanel);
    RightPages->setObjectName("RightPages");
    RightDockPanel->setWidget(RightPages);
    addDockWidget(Qt::RightDockWidgetArea, RightDockPanel);

    Page(RightPages, "Objects", 0);
    Page(RightPages, "Terrain", 1);
    Page(RightPages, "Eco System", 3);
    QWidget* options = Page(RightPages, "Options", 6);
    BuildToolsPage(Page(RightPages, "Tools", 5));

    auto* optionsLayout = new QVBoxLayout(options);
    auto* checks = new QGroupBox("Editor options");
    auto* checkLayout = new QVBoxLayout(checks);
    LogProgressCheck = AddCheck(checkLayout, "LogProgressCheck", "Log progress");
    StartShadowCheck =
        AddCheck(checkLayout, "StartShadowCheck", "Adds the start finish arch shadow");
    NoZoneCheck =
        AddCheck(checkLayout, "NoZoneCheck", "Prohibits saving zone data to the SCN file");
    PinkTo1555 = AddCheck(checkLayout, "PinkTo1555", "Don't convert Pink to alpha");
    PackLogCheck = AddCheck(checkLayout, "PackLogCheck", "Enable logging");
    DualPassCheck = AddCheck(checkLayout, "DualPassCheck", "Dual pass rendering");
    ObjOrientCheck = AddCheck(checkLayout, "ObjOrientCheck", "Rotations relative to object");
    OldUnprojectChk = AddCheck(checkLayout, "OldUnprojectChk", "Uses older 2D to 3D mouse mapping");
    ExpertUsrCheck = AddCheck(checkLayout, "ExpertUsrCheck", "Show advanced model properties");
    optionsLayout->addWidget(checks);

    auto* values = new QGroupBox("View and controls");
    auto* form = new QFormLayout(values);
    JoystickSense = AddSlider(form, "JoystickSense", "Joystick speed (ms)", 50, 100);
    FogDensityBar = AddSlider(form, "FogDensityBar", "Fog density", 0, 20);
    SelAlpha = AddSlider(form, "SelAlpha", "Selection transparency", 0, 255);
    ResSelectBox = new QComboBox;
    ResSelectBox->setObjectName("ResSelectBox");
    form->addRow("Render resolution", ResSelectBox);
    optionsLayout->addWidget(values);
    optionsLayout->addStretch(1);

    connect(PinkTo1555, &QCheckBox::toggled, this,
            [this](bool checked)
            {
                ConvertPink = !checked;
                if (FShown && FOptions)
                    FOptions->WriteBool("PinkTo1555", kOptions, checked);
            });
    connect(OldUnprojectChk, &QCheckBox::toggled, this, [this](bool c) { NewUnproject = !c; });
    connect(PackLogCheck, &QCheckBox::toggled, this,
            [this](bool c)
            {
                PackLogging = c;
                if (FShown)
                    ShowLogWindow(c);
            });
    connect(FogDensityBar, &QSlider::valueChanged, this,
            [this](int position)
            {
                if (FDXPanel)
                {
                    FDXPanel->FogDensity = float(position) / 2000.0f;
                    FDXPanel->Invalidate();
                }
            });
    connect(SelAlpha, &QSlider::valueChanged, this,
            [this](int position)
            {
                if (FDocument)
                    FDocument->SelectionAlpha = uint8_t(255 - position);
            });
    connect(ObjOrientCheck, &QCheckBox::toggled, this,
            [this](bool c)
            {
                if (FDocument)
                    FDocument->SetObjectOrient(c);
            });
    connect(JoystickSense, &QSlider::valueChanged, this,
            [this](int ms)
            {
                if (JoystickTimer && FTimerTicks >= 15)
                    JoystickTimer->setInterval(ms);
            });
    connect(ResSelectBox, &QComboBox::currentTextChanged, this,
            [this](const QString& text)
            {
                if (!FShown || !FOptions)
                    return;
                const QStringList wh = text.split('x');
                if (wh.size() != 2)
                    return;
                const int w = wh[0].toInt(), h = wh[1].toInt();
                FOptions->WriteInteger("ResWidth", kOptions, w);
                FOptions->WriteInteger("ResHeight", kOptions, h);
                if (w != FResWidth || h != FResHeight)
                    MsgBox().ShowMessageBox(
                        "The new resolution will take effect next time you start the editor",
                        "Resolution changed", false, false);
            });

    LeftDockPanel = new QDockWidget("Windows", this);
    LeftDockPanel->setObjectName("LeftDockPanel");
    LeftDockPanel->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    auto* leftPages = new QTabWidget(LeftDockPanel);
    leftPages->setObjectName("LeftPages");
    LeftDockPanel->setWidget(leftPages);
    addDockWidget(Qt::LeftDockWidgetArea, LeftDockPanel);
    LeftDockPanel->hide(); // shown once a tool window docks there

    BottomDockPanel = new QDockWidget("Navigation", this);
    BottomDockPanel->setObjectName("BottomDockPanel");
    BottomDockPanel->setWidget(new QWidget(BottomDockPanel));
    addDockWidget(Qt::BottomDockWidgetArea, BottomDockPanel);
    BottomDockPanel->hide();

    JoystickTimer = new QTimer(this);
    JoystickTimer->setObjectName("JoystickTimer");
    JoystickTimer->setInterval(50);

    FToolBarHost = std::make_unique<TQtToolBarHost>(MainToolBar);
    FRightDockHost = std::make_unique<TQtDockHost>(this, Qt::RightDockWidgetArea);
    FLeftDockHost = std::make_unique<TQtDockHost>(this, Qt::LeftDockWidgetArea);
}

void TForm1::SplashDelay()
{
    // Let the splash show while the timer ticks 15 times; the 15th tick stops it.
    QEventLoop loop;
    FTimerTicks = 0;
    auto tick = connect(JoystickTimer, &QTimer::timeout, this,
                        [&]
                        {
                            if (++FTimerTicks >= 15)
                            {
                                JoystickTimer->stop();
                                loop.quit();
                            }
                        });
    JoystickTimer->start();
    loop.exec();
    disconnect(tick);
}

void TForm1::FormCreate()
{
    // The message box and help come first here: the start-up check may need both.
    if (FStart.ExitAfterStart)
    {
        FMsgBox = std::make_unique<TConsoleMsgBox>(false);
        FHelp = std::make_unique<TConsoleHelp>();
    }
    else
    {
        FMsgBox = std::make_unique<TWukMsg>(this);
        FHelp = std::make_unique<TDesktopHelp>();
    }
    PublishMsgBox(FStart.MsgBox ? FStart.MsgBox : FMsgBox.get());
    PublishHelp(FStart.Help ? FStart.Help : FHelp.get());
    if (!FStart.ExitAfterStart)
    {
        FFileDialogs = std::make_unique<TQtFileDialogs>(this);
        PublishFileDialogs(FFileDialogs.get());
    }

    FOptions = std::make_unique<TWukOptions>();
    PublishOptions(FOptions.get());

    const TStartupResult check =
        RunStartupCheck({FStart.OpenGLAvailable, KexPhysicsVersion(), ProgramFolder()});
    for (const std::string& page : check.HelpPages)
        FHelpHandle = Help().OpenHelpPage(page);
    if (!check.Passed &&
        MsgBox().ShowMessageBox(StartupCheckQuestion, StartupCheckCaption, false, true))
    {
        FStopped = true;
        FCloseRequested = true;
        return;
    }

    if (!FStart.OpenGLAvailable)
    {
        // No device: the window reports it when shown and closes.
        auto* none = new QLabel("No 3D view", this);
        none->setAlignment(Qt::AlignCenter);
        setCentralWidget(none);
        FStopped = true;
        return;
    }
    FDXPanel = new TVellDXPanel(this);
    FDXPanel->setObjectName("DXPanel");
    setCentralWidget(FDXPanel);

    FSplash = new TSplashForm();
    SplashDelay();

    FRecentFiles = std::make_unique<TMostRecentlyUsed>();
    FRecentFiles->OnMenusChanged = [this](TMostRecentlyUsed&) { RebuildRecentMenu(); };
    FRecentFiles->OnOpen = [this](TMostRecentlyUsed&, const std::string& path, bool& opened)
    { opened = OpenTrackFile(path); };
    RebuildRecentMenu();
    FUserTools = std::make_unique<TWukUserToolBox>();
    FUserTools->OnToolChanged = [this](TWukUserToolBox&, bool existed, int index)
    { UserToolChanged(existed, index); };
    FUserTools->LoadTools();

    CreateManagers();

    FLog = std::make_unique<TKexLog>();
    Publish(FLog.get());
    FLog->OnIdle = [] { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    FLogForm = new TKexLogForm(*FLog, this);
    addDockWidget(Qt::RightDockWidgetArea, FLogForm);
    FLogForm->hide();
    FProgress = new TProgressFrm(this);
    Publish<TProgressSink>(FProgress);

    FDocument = std::make_unique<THOVTrackType>(4);
    FDocument->FindGame();
    FDocument->OnChange = [this](TCustomTrackType*, int code) { DocumentChanged(code); };
    FDocument->OnProgress = [this](const std::string& text, int position)
    { ProgressHandler(text, position); };
    FDocument->Initialise(FDXPanel, FOptions.get());
    FDocument->CreateToolButtons(FToolBarHost.get());
    FDocument->CreateToolWindows(FRightDockHost.get(), FLeftDockHost.get());
    FDocument->CreateControls(0, 19, uintptr_t(winId()));
    if (GameMissing())
        FSplash->ShowDemoLabel();
    FPhysicsManager->Document = FDocument.get();

    FTerrain = std::make_unique<TOstTerrain>();
    Publish(FTerrain.get());
    FTerrain->OnProgress = [this](const std::string& text, int position)
    { ProgressHandler(text, position, true); };

    FDXPanel->FarCutOff = 5000.0f;
    FDXPanel->FogDensity = float(FogDensityBar->value()) / 2000.0f;

    RightPages->setCurrentIndex(0);
    FDocument->SetMode(0);
    FCreated = true;
}

void TForm1::CreateManagers()
{
    FResManager = std::make_unique<TKexResManager>(TKexResManager::DefaultKnownTypes);
    Publish(FResManager.get());
    FGfxManager = std::make_unique<TKexGfxManager>();
    Publish(FGfxManager.get());
    FObjectManager = std::make_unique<TKexObjectManager>();
    Publish(FObjectManager.get());
    FShaderManager = std::make_unique<TKexShaderManager>();
    Publish(FShaderManager.get());
    FPhysicsManager = std::make_unique<TKexPhysicsManager>();
    Publish(FPhysicsManager.get());
    FSoundManager = std::make_unique<TKexSoundManager>(uintptr_t(winId()));
    Publish(FSoundManager.get());
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (FShowStarted)
        return;
    FShowStarted = true;
    // After the window is on screen, as its first show handler.
    QTimer::singleShot(0, this, &TForm1::FormShow);
}

void TForm1::FormShow()
{
    if (!FCreated)
    {
        // Only a missing 3D device gets here: report it and end.
        MsgBox().ShowMessageBox("Can't initialize DirectX Brakken Tiv cannot run", "DirectX error",
                                false, false);
        close();
        return;
    }

    ReadOptions();
    RightPages->setCurrentIndex(0);
    FDocument->SetMode(0);

    if (FVersionRead.empty())
        FHelpHandle = Help().OpenHelpPage("license");
    else if (FVersionRead != ProgramVersion)
        FHelpHandle = Help().OpenHelpPage("whatsnew");

    if (FSplash)
        FSplash->hide();
    FDocument->ShowToolWindows();
    // The log window: left dock for 3, the right one otherwise; seen while logging packs.
    DockByCode(this, FLogForm, FStoredDocking[2] == 3 ? 3 : 2);
    ShowLogWindow(PackLogging);
    PackLogCheck->setChecked(PackLogging);
    PlaceWindow();

    ResSelectBox->clear();
    for (const std::string& r : RenderResolutions())
        ResSelectBox->addItem(QString::fromStdString(r));
    const int current = ResSelectBox->findText(QString("%1x%2").arg(FResWidth).arg(FResHeight));
    if (current >= 0)
        ResSelectBox->setCurrentIndex(current);
    else
        ResSelectBox->addItem(QString("%1x%2").arg(FResWidth).arg(FResHeight));

    if (GameMissing())
    {
        FRecentFiles->Clear();
        for (const char* sample : {"kexTestSX.pak", "kexTestNat.pak"})
        {
            const std::string path = ProgramFolder() + "tracks\\" + sample;
            if (FileExists(path))
                FRecentFiles->AddRecent(ResolvePath(path));
        }
        if (FRecentFiles->Entries().empty())
            MsgBox().ShowMessageBox(
                "No tracks were found and you are in demo mode, so you won't be able to use the "
                "editor. Re-install the program, make sure there are track files in the \\tracks "
                "folder and try again.",
                "Demo mode - no tracks", false, false);
    }
    if (FRecentFiles->Entries().empty())
        Help().OpenHelpPage("");
    // The open-track wizard offers the recent files once new tracks and projects exist.
    FDocument->RenderFlags = 0;
    FShown = true;
    if (FDXPanel)
        FDXPanel->Invalidate();
    if (OnShown)
        OnShown();
}

void TForm1::ReadOptions()
{
    TWukOptions& o = *FOptions;
    WireFrameBtn->setChecked(o.ReadBoolDef("WireFrame", kOptions, false));
    HideSpkrBtn->setChecked(o.ReadBoolDef("HideSpeaker", kOptions, false));
    QuietBtn->setChecked(o.ReadBoolDef("Quiet", kOptions, false));
    LogProgressCheck->setChecked(o.ReadBoolDef("LogProgress", kOptions, false));
    StartShadowCheck->setChecked(o.ReadBoolDef("StartShadow", kOptions, false));
    NoZoneCheck->setChecked(o.ReadBoolDef("NoZone", kOptions, false));
    PinkTo1555->setChecked(o.ReadBoolDef("PinkTo1555", kOptions, false));
    ConvertPink = !PinkTo1555->isChecked();
    PackLogging = o.ReadBoolDef("PackLog", kOptions, false);
    // The OpenGL device draws every stage in one pass, so the panel's own default is off.
    DualPassCheck->setChecked(o.ReadBoolDef("DualPass", kOptions, false));
    ObjOrientCheck->setChecked(o.ReadBoolDef("ObjectOrient", kOptions, false));
    FDocument->SetObjectOrient(ObjOrientCheck->isChecked());
    OldUnprojectChk->setChecked(o.ReadBoolDef("OldUnproject", kOptions, false));
    NewUnproject = !OldUnprojectChk->isChecked();
    ExpertUsrCheck->setChecked(o.ReadBoolDef("ExpertUser", kOptions, false));
    JoystickSense->setValue(std::max(50, o.ReadIntegerDef("Joystick", kOptions, 0)));
    FogDensityBar->setValue(o.ReadIntegerDef("FogDensity", kOptions, 0));
    FVersionRead = o.ReadStringDef("version", kOptions, "");
    FStoredDocking[0] = o.ReadIntegerDef("SelectDocking", kOptions, 0);
    FStoredDocking[1] = o.ReadIntegerDef("NavDocking", kOptions, 0);
    FStoredDocking[2] = o.ReadIntegerDef("LogsDocking", kOptions, 0);
    FUsage = o.ReadIntegerDef("Usage", kOptions, 0);
    SelAlpha->setValue(o.ReadIntegerDef("SelectedAlpha", kOptions, 127));
    FDocument->SelectionAlpha = uint8_t(255 - SelAlpha->value());
    FDocument->LoadSettings(FOptions.get());
    FLog->SetLogMask(uint32_t(o.ReadIntegerDef("LogFlags", kOptions, 0)));
    const int w = o.ReadIntegerDef("ResWidth", kOptions, 0);
    const int h = o.ReadIntegerDef("ResHeight", kOptions, 0);
    FResWidth = w > 0 ? w : 640;
    FResHeight = h > 0 ? h : 480;
    FDXPanel->BackBufferWidth = unsigned(FResWidth);
    FDXPanel->BackBufferHeight = unsigned(FResHeight);
}

void TForm1::PlaceWindow()
{
    TWukOptions& o = *FOptions;
    const int top = o.ReadIntegerDef("WindowTop", kOptions, 0);
    const int left = o.ReadIntegerDef("WindowLeft", kOptions, 0);
    const int right = o.ReadIntegerDef("WindowRight", kOptions, 0);
    const int bottom = o.ReadIntegerDef("WindowBottom", kOptions, 0);
    const QRect screen = this->screen() ? this->screen()->geometry() : QRect(0, 0, 1024, 768);
    if (right == left && bottom == top)
    {
        resize(800, 600);
        move(screen.center() - QPoint(400, 300));
        return;
    }
    const int w = std::clamp(right - left, 1, screen.width());
    const int h = std::clamp(bottom - top, 1, screen.height());
    setGeometry(std::max(0, left), std::max(0, top), w, h);
}

void TForm1::WriteOptions()
{
    TWukOptions& o = *FOptions;
    o.WriteBool("WireFrame", kOptions, WireFrameBtn->isChecked());
    o.WriteBool("HideSpeaker", kOptions, HideSpkrBtn->isChecked());
    o.WriteBool("Quiet", kOptions, QuietBtn->isChecked());
    o.WriteBool("LogProgress", kOptions, LogProgressCheck->isChecked());
    o.WriteBool("StartShadow", kOptions, StartShadowCheck->isChecked());
    o.WriteBool("NoZone", kOptions, NoZoneCheck->isChecked());
    o.WriteBool("PinkTo1555", kOptions, !ConvertPink);
    o.WriteBool("PackLog", kOptions, PackLogging);
    o.WriteBool("DualPass", kOptions, DualPassCheck->isChecked());
    o.WriteBool("ObjectOrient", kOptions, ObjOrientCheck->isChecked());
    o.WriteBool("OldUnproject", kOptions, !NewUnproject);
    o.WriteBool("ExpertUser", kOptions, ExpertUsrCheck->isChecked());
    o.WriteInteger("Joystick", kOptions, JoystickSense->value());
    o.WriteInteger("FogDensity", kOptions, FogDensityBar->value());
    o.WriteString("Version", kOptions, ProgramVersion);
    // The resources, navigation and log windows keep the places they were given.
    o.WriteInteger("SelectDocking", kOptions, FStoredDocking[0]);
    o.WriteInteger("NavDocking", kOptions, FStoredDocking[1]);
    o.WriteInteger("LogsDocking", kOptions, DockingCode(this, FLogForm));
    o.WriteInteger("Usage", kOptions, FUsage + 1);
    const QRect g = geometry();
    o.WriteInteger("WindowTop", kOptions, g.top());
    o.WriteInteger("WindowLeft", kOptions, g.left());
    o.WriteInteger("WindowRight", kOptions, g.left() + g.width());
    o.WriteInteger("WindowBottom", kOptions, g.top() + g.height());
    o.WriteInteger("SelectedAlpha", kOptions, SelAlpha->value());
    o.WriteInteger("LogFlags", kOptions, int32_t(FLog->LogMask));
}

void TForm1::FormDestroy()
{
    if (FDestroyed)
        return;
    FDestroyed = true;
    if (FHelpHandle)
        Help().CloseHelp(FHelpHandle);
    if (FDXPanel)
        FDXPanel->RenderEnabled = false;
    FUserTools.reset();

    // Options are written only once they were read, so a start that stopped early does not
    // overwrite the stored ones with defaults.
    if (FCreated && FShown && FOptions)
    {
        WriteOptions();
        FDocument->SaveSettings(FOptions.get());
    }
    if (FDocument)
    {
        FDocument->CloseTrack();
        FDocument->SaveToolWindowLayout(FRightDockHost.get(), FLeftDockHost.get());
    }
    if (FPhysicsManager && FPhysicsManager->HasPhysicsTerrain())
        FPhysicsManager->ReleasePhysicsTerrain();
    Publish<TOstTerrain>(nullptr);
    FTerrain.reset();
    if (FDocument)
    {
        FDocument->SaveToolWindowLayout(FRightDockHost.get(), FLeftDockHost.get());
        FDocument->Finalise();
        FDocument.reset();
    }
    Publish<TKexSoundManager>(nullptr);
    FSoundManager.reset();
    Publish<TKexResManager>(nullptr);
    FResManager.reset();
    Publish<TKexGfxManager>(nullptr);
    FGfxManager.reset();
    Publish<TKexObjectManager>(nullptr);
    FObjectManager.reset();
    Publish<TKexShaderManager>(nullptr);
    FShaderManager.reset();
    Publish<TKexPhysicsManager>(nullptr);
    FPhysicsManager.reset();
    PublishOptions(nullptr);
    FOptions.reset();
    FRecentFiles.reset(); // saves the list
    Publish<TProgressSink>(nullptr);
    delete FProgress;
    FProgress = nullptr;
    // The log window shows the log: it goes first.
    delete FLogForm;
    FLogForm = nullptr;
    Publish<TKexLog>(nullptr);
    FLog.reset();
    delete FSplash;
    FSplash = nullptr;
    PublishMsgBox(nullptr);
    FMsgBox.reset();
    PublishHelp(nullptr);
    FHelp.reset();
    PublishFileDialogs(nullptr);
    FFileDialogs.reset();
}

void TForm1::ProgressHandler(const std::string& text, int position, bool terrain)
{
    if (TProgressSink* sink = ProgressSink())
    {
        if (!terrain || !text.empty())
            sink->SetProgressCaption(text);
        if (!terrain || position != -1)
            sink->SetProgressPosition(position);
    }
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool TForm1::OpenTrackFile(const std::string& path)
{
    if (!FDocument)
        return false;
    FDocument->CloseTrack();
    const int result = FDocument->OpenTrack(path);
    if (result == 0)
        return true;
    std::string text;
    FDocument->GetErrorText(result, text);
    MsgBox().ShowMessageBox(text.empty() ? "The track could not be opened." : text,
                            "Track load error.", false, false);
    return false;
}

void TForm1::RebuildRecentMenu()
{
    if (!MRUPopup || !FRecentFiles)
        return;
    MRUPopup->clear();
    for (const TMruMenuItem& item : FRecentFiles->MenuItems())
    {
        QAction* action = MRUPopup->addAction(QString::fromStdString(item.Caption));
        const int tag = item.Tag;
        connect(action, &QAction::triggered, this,
                [this, tag] { FRecentFiles->MenuItemClick(tag); });
    }
}

void TForm1::ShowLogWindow(bool visible)
{
    if (FLogForm)
        FLogForm->setVisible(visible);
}

void TForm1::BuildToolsPage(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    UserToolsPanel = new QWidget(page);
    UserToolsPanel->setObjectName("UserToolsPanel");
    UserToolsPanel->setMinimumHeight(200);
    layout->addWidget(UserToolsPanel, 1);

    auto* edit = new QGroupBox("User tool", page);
    auto* form = new QFormLayout(edit);
    ToolPathEdit = new QLineEdit(edit);
    ToolPathEdit->setObjectName("ToolPathEdit");
    ToolPathEdit->setReadOnly(true);
    ToolNameEdit = new QLineEdit(edit);
    ToolNameEdit->setObjectName("ToolNameEdit");
    ToolNameEdit->setMaxLength(32);
    form->addRow("Program", ToolPathEdit);
    form->addRow("Name", ToolNameEdit);
    auto* buttons = new QHBoxLayout;
    auto* browse = new QPushButton("Browse...", edit);
    browse->setObjectName("BrowseToolBtn");
    browse->setToolTip("Browse for tool path");
    auto* add = new QPushButton("Add", edit);
    add->setObjectName("AddUserTool");
    auto* del = new QPushButton("Delete", edit);
    del->setObjectName("DelToolBtn");
    buttons->addWidget(browse);
    buttons->addWidget(add);
    buttons->addWidget(del);
    form->addRow(buttons);
    layout->addWidget(edit);

    connect(browse, &QPushButton::clicked, this,
            [this]
            {
                TFileDialogRequest r;
                r.Title = "Browsing for User tools";
                r.Filter = "Programs|*";
                r.MustExist = true;
                std::string file;
                if (!FileDialogs().OpenFile(r, file))
                    return;
                ToolPathEdit->setText(QString::fromStdString(ExtractFileName(file)));
                ToolNameEdit->setText(
                    QString::fromStdString(ChangeFileExt(ExtractFileName(file), "")));
                FUserTools->SetCurrent({file, 0, {}});
            });
    connect(add, &QPushButton::clicked, this,
            [this] {
                FUserTools->AddTool(FUserTools->Current().Path, ToolNameEdit->text().toStdString(),
                                    true, 0);
            });
    connect(del, &QPushButton::clicked, this,
            [this]
            {
                if (ToolPathEdit->text().isEmpty())
                    return;
                const int k = FUserTools->RemoveTool(FUserTools->Current().Path);
                if (k < 0)
                    return;
                ToolPathEdit->clear();
                ToolNameEdit->clear();
                RemoveUserToolControls(k);
            });
}

void TForm1::UserToolChanged(bool existed, int index)
{
    if (index < 0 || !UserToolsPanel)
        return;
    const TUserTool tool = FUserTools->GetTool(index);
    const QString name = QString::fromStdString(tool.Name);
    if (existed)
    {
        for (QPushButton* label : UserToolsPanel->findChildren<QPushButton*>())
            if (label->property("tag").toInt() == index + 256)
                label->setText(name);
        return;
    }
    auto* button = new QToolButton(UserToolsPanel);
    button->setProperty("tag", index);
    button->setGeometry(6, 35 * index + 30, 34, 34);
    button->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
    button->setToolTip(QString::fromStdString(tool.Path));
    connect(button, &QToolButton::clicked, this,
            [this, button] { FUserTools->RunTool(button->property("tag").toInt()); });
    button->show();
    auto* label = new QPushButton(name, UserToolsPanel);
    label->setFlat(true);
    label->setProperty("tag", index + 256);
    label->move(42, 35 * index + 40);
    label->adjustSize();
    connect(label, &QPushButton::clicked, this,
            [this, label]
            {
                const TUserTool t = FUserTools->GetTool(label->property("tag").toInt() & 0xFF);
                FUserTools->SetCurrent(t);
                ToolPathEdit->setText(QString::fromStdString(ExtractFileName(t.Path)));
                ToolNameEdit->setText(QString::fromStdString(t.Name));
            });
    label->show();
}

void TForm1::RemoveUserToolControls(int index)
{
    for (QWidget* w : UserToolsPanel->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    {
        const int tag = w->property("tag").toInt();
        if ((tag & 0xFF) == index)
            w->deleteLater();
        else if ((tag & 0xFF) > index)
        {
            w->setProperty("tag", tag - 1);
            w->move(w->x(), w->y() - 35);
        }
    }
}

void TForm1::DocumentChanged(int)
{
    if (FDXPanel)
        FDXPanel->Invalidate();
}
