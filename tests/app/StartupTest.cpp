#include "KexPhysics.h"
#include "app/AppServices.h"
#include "app/MainForm.h"
#include "app/StartupCheck.h"
#include "app/VDXPanel.h"
#include "core/Paths.h"
#include "platform/HelpService.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "platform/WukOptions.h"
#include "track/HOVTrackType.h"

#include "TestUtil.h"

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <filesystem>

TEST(StartupCheck, EachFailingTestOpensItsHelpPage)
{
    TTempDir dir;
    for (const char* d : {"defaults", "tracks", "models"})
        dir.MakeDir(d);
    const std::string folder = dir.Path() + "/";

    TStartupResult r = RunStartupCheck({true, KEXPHYSICS_INTERFACE_VERSION, folder});
    EXPECT_TRUE(r.Passed);
    EXPECT_TRUE(r.HelpPages.empty());

    r = RunStartupCheck({false, 0x00010006, folder});
    EXPECT_FALSE(r.Passed);
    EXPECT_EQ(r.HelpPages, (std::vector<std::string>{"dx81", "physx"}));

    std::filesystem::remove_all(dir.File("tracks"));
    r = RunStartupCheck({true, KEXPHYSICS_INTERFACE_VERSION, folder});
    EXPECT_FALSE(r.Passed);
    EXPECT_EQ(r.HelpPages, std::vector<std::string>{"folders"});
    EXPECT_TRUE(DirectoryExists(folder + "tracks")); // made again
}

TEST(StartupCheck, OpenGLIsFoundOnTheTestDisplay)
{
    std::string why;
    EXPECT_TRUE(ProbeOpenGL(&why)) << why;
}

namespace
{
// Runs the program's whole start-up in this process with scripted services and a registry of
// the test's own, and keeps the window until the test ends.
class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override { SetRegistryFile(Dir.File("registry")); }

    TForm1& Start()
    {
        TMainStartOptions start;
        start.OpenGLAvailable = true;
        start.MsgBox = &Box;
        start.Help = &HelpPages;
        Form = std::make_unique<TForm1>(start);
        bool shown = false;
        Form->OnShown = [&] { shown = true; };
        Form->show();
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop,
                         [&]
                         {
                             if (shown)
                                 loop.quit();
                         });
        poll.start(10);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
        EXPECT_TRUE(shown);
        return *Form;
    }

    TTempDir Dir;
    TScriptedMsgBox Box;
    TRecordingHelp HelpPages;
    std::unique_ptr<TForm1> Form;
    TWukOptions Options;
};
} // namespace

TEST_F(MainWindowTest, FirstRunUsesTheDefaults)
{
    TForm1& f = Start();
    EXPECT_EQ(f.width(), 800);
    EXPECT_EQ(f.height(), 600);
    const QRect screen = f.screen()->geometry();
    EXPECT_NEAR(f.geometry().center().x(), screen.center().x(), 2);
    EXPECT_NEAR(f.geometry().center().y(), screen.center().y(), 2);
    EXPECT_EQ(f.JoystickSense->value(), 50);
    EXPECT_EQ(f.SelAlpha->value(), 127);
    EXPECT_EQ(f.Document()->SelectionAlpha, 128);
    for (QCheckBox* c : f.findChildren<QCheckBox*>())
        EXPECT_FALSE(c->isChecked()) << c->objectName().toStdString();
    ASSERT_FALSE(HelpPages.Opened.empty());
    EXPECT_EQ(HelpPages.Opened.front(), "license");
    // The test-in-editor button is there, and off until a track is open.
    auto* play = f.findChild<QToolButton*>("PLAYBTN");
    ASSERT_NE(play, nullptr);
    EXPECT_FALSE(play->isEnabled());
    EXPECT_TRUE(f.DXPanel()->isVisible());
    EXPECT_TRUE(GameMissing());
}

TEST_F(MainWindowTest, StoredOptionsAreAppliedAndWrittenBack)
{
    Options.WriteString("version", "options", "0.9.4");
    Options.WriteBool("WireFrame", "options", true);
    Options.WriteBool("PinkTo1555", "options", true);
    Options.WriteInteger("Joystick", "options", 20); // below the range: 50
    Options.WriteInteger("SelectedAlpha", "options", 200);
    Options.WriteInteger("NavDocking", "options", 3);
    Options.WriteInteger("Usage", "options", 4);
    // Bounds larger than the screen are cut to it; a negative corner becomes 0.
    Options.WriteInteger("WindowLeft", "options", -50);
    Options.WriteInteger("WindowTop", "options", -20);
    Options.WriteInteger("WindowRight", "options", 9000);
    Options.WriteInteger("WindowBottom", "options", 9000);

    TForm1& f = Start();
    EXPECT_TRUE(f.WireFrameBtn->isChecked());
    EXPECT_TRUE(f.PinkTo1555->isChecked());
    EXPECT_FALSE(f.ConvertPink);
    EXPECT_EQ(f.JoystickSense->value(), 50);
    EXPECT_EQ(f.Document()->SelectionAlpha, 55);
    const QRect screen = f.screen()->geometry();
    EXPECT_EQ(f.geometry().left(), 0);
    EXPECT_EQ(f.geometry().top(), 0);
    EXPECT_LE(f.width(), screen.width());
    EXPECT_LE(f.height(), screen.height());
    // "0.9.4" was stored: no licence or what's-new page.
    for (const std::string& page : HelpPages.Opened)
        EXPECT_TRUE(page != "license" && page != "whatsnew") << page;

    Form.reset(); // destroying the window writes the options
    EXPECT_EQ(Options.ReadInteger("Usage", "options"), 5);
    EXPECT_EQ(Options.ReadString("Version", "options"), "0.9.4");
    EXPECT_TRUE(Options.ReadBool("PinkTo1555", "options"));
    EXPECT_EQ(Options.ReadInteger("NavDocking", "options"), 3); // kept for its window
    EXPECT_EQ(Options.ReadInteger("SelectedAlpha", "options"), 200);
}

TEST_F(MainWindowTest, AnOlderVersionOpensWhatsNewAndDemoModeWithoutTracksSaysSo)
{
    Options.WriteString("Version", "options", "0.9.1");
    Start();
    EXPECT_NE(std::find(HelpPages.Opened.begin(), HelpPages.Opened.end(), "whatsnew"),
              HelpPages.Opened.end());
    const bool sampleTracks = FileExists(ProgramFolder() + "tracks/kexTestNat.pak") ||
                              FileExists(ProgramFolder() + "tracks/kexTestSX.pak");
    const bool told = std::any_of(Box.Shown.begin(), Box.Shown.end(),
                                  [](auto& s) { return s.Caption == "Demo mode - no tracks"; });
    EXPECT_EQ(told, !sampleTracks);
}

namespace
{
TRunResult RunEditor(const std::string& registry, const std::vector<std::string>& env = {})
{
    std::vector<std::string> e = env;
    e.push_back("BRAKKENTIV_REGISTRY=" + registry);
    // The editor loads the OpenGL driver; see the window suite's sanitizer options.
    e.push_back("ASAN_OPTIONS=detect_leaks=0");
    return RunProgram({BRAKKENTIV_BINARY, "--exit-after-start"}, e);
}
} // namespace

TEST(EditorProgram, ExitAfterStartWritesTheOptionsAndCountsUsage)
{
    TTempDir dir;
    const std::string registry = dir.File("registry");
    TRunResult first = RunEditor(registry);
    ASSERT_EQ(first.ExitCode, 0) << first.Err;
    EXPECT_NE(first.Err.find("license.htm"), std::string::npos) << first.Err;
    TRegistryStore store(registry);
    const std::string key = "\\SOFTWARE\\Vellmoor\\ZE2\\options";
    EXPECT_EQ(store.ReadValue(key, "Version")->Text, "0.9.4");
    EXPECT_EQ(store.ReadValue(key, "Usage")->Number, 1);
    EXPECT_EQ(store.ReadValue(key, "WindowRight")->Number -
                  store.ReadValue(key, "WindowLeft")->Number,
              800);

    TRunResult second = RunEditor(registry);
    ASSERT_EQ(second.ExitCode, 0) << second.Err;
    EXPECT_EQ(store.ReadValue(key, "Usage")->Number, 2);
    EXPECT_EQ(second.Err.find("license.htm"), std::string::npos);
}

TEST(EditorProgram, WithoutOpenGLItReportsAndEndsCleanly)
{
    TTempDir dir;
    // Qt's offscreen platform has no OpenGL: no 3D view may be created.
    TRunResult r = RunEditor(dir.File("registry"), {"QT_QPA_PLATFORM=offscreen"});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Err.find("Necessary system files missing"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("DirectX error: Can't initialize DirectX Brakken Tiv cannot run"),
              std::string::npos)
        << r.Err;
    EXPECT_NE(r.Err.find("dx81.htm"), std::string::npos);
    // A start that stopped early leaves the stored options alone.
    TRegistryStore store(dir.File("registry"));
    EXPECT_FALSE(store.ReadValue("\\SOFTWARE\\Vellmoor\\ZE2\\options", "Usage"));
}
