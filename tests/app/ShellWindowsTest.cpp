#include "app/KexLoggingForm.h"
#include "app/MainForm.h"
#include "app/ProgressForm.h"
#include "app/WukMsgBox.h"
#include "platform/HelpService.h"
#include "platform/KexLog.h"
#include "platform/MessageBox.h"
#include "platform/MostRecentlyUsed.h"
#include "platform/Registry.h"

#include "TestUtil.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace
{
// Saves a picture of the widget when BRAKKENTIV_SCREENSHOTS names a folder (for looking at
// the windows by eye).
void Snapshot(QWidget& w, const char* name)
{
    if (const char* dir = std::getenv("BRAKKENTIV_SCREENSHOTS"))
        w.grab().save(QString("%1/%2.png").arg(dir, name));
}
} // namespace

TEST(ShellWindows, MessageBoxShowsQuestionsAndMessagesItsOwnWay)
{
    TWukMsg box(nullptr);
    box.Prepare("Do you want to save the current track first?", "Save track", false, true);
    box.show();
    QApplication::processEvents();
    EXPECT_EQ(box.windowTitle(), "Save track");
    EXPECT_EQ(box.OKBtn->text(), "Yes");
    EXPECT_TRUE(box.CancelBtn->isVisible());
    EXPECT_EQ(box.CancelBtn->text(), "No");
    EXPECT_FALSE(box.Edit->isVisible());
    EXPECT_EQ(box.MsgText->width(), 285);
    EXPECT_EQ(box.MsgText->palette().color(QPalette::WindowText), QColor(206, 0, 0));
    Snapshot(box, "msgbox-question");

    // A message keeps the last caption when given none, and has one OK button.
    box.Prepare("Name the new spline", "", true, false);
    EXPECT_EQ(box.windowTitle(), "Save track");
    EXPECT_EQ(box.OKBtn->text(), "Ok");
    EXPECT_FALSE(box.CancelBtn->isVisible());
    EXPECT_TRUE(box.Edit->isVisible());
    EXPECT_GE(box.height(), 122);
    Snapshot(box, "msgbox-edit");
    box.hide();

    // Answering: Yes and No through the buttons.
    QTimer::singleShot(0, [&] { box.OKBtn->click(); });
    EXPECT_TRUE(box.ShowMessageBox("Overwrite?", "Pack", false, true));
    QTimer::singleShot(0, [&] { box.CancelBtn->click(); });
    EXPECT_FALSE(box.ShowMessageBox("Overwrite?", "Pack", false, true));
    // A box asked for while one is up answers No at once.
    bool nested = true;
    QTimer::singleShot(0,
                       [&]
                       {
                           nested = box.ShowMessageBox("Again?", "Pack", false, true);
                           box.OKBtn->click();
                       });
    EXPECT_TRUE(box.ShowMessageBox("First", "Pack", false, true));
    EXPECT_FALSE(nested);
}

TEST(ShellWindows, ProgressBarFollowsThePosition)
{
    TProgressFrm progress(nullptr);
    progress.ShowProgress();
    EXPECT_EQ(progress.windowTitle(), "Progress");
    EXPECT_EQ(progress.size(), QSize(330, 110));
    EXPECT_EQ(progress.BlueBar->width(), 0);
    progress.Report("Loading the terrain", 40);
    EXPECT_EQ(progress.Display->text(), "Loading the terrain");
    EXPECT_EQ(progress.BlueBar->width(), 100);
    Snapshot(progress, "progress");
    progress.SetProgressPosition(250);
    EXPECT_EQ(progress.BlueBar->width(), 250);
    progress.HideProgress();
    EXPECT_FALSE(progress.isVisible());
}

TEST(ShellWindows, LogWindowShowsTheLogAndEditsItsMask)
{
    TKexLog log;
    log.DateText = [] { return std::string("11/12/2026"); };
    TKexLogForm form(log);
    form.show();
    EXPECT_EQ(form.windowTitle(), "Logs");
    EXPECT_EQ(form.ViewId(), 4);
    EXPECT_EQ(form.DockingKey(), "LogsDocking");
    EXPECT_FALSE(form.FilesCheck->isVisible());

    log.SetLogMask(1 | 4);
    EXPECT_TRUE(form.LoadCheck->isChecked());
    EXPECT_FALSE(form.SaveCheck->isChecked());
    EXPECT_TRUE(form.ModelsCheck->isChecked());
    form.SaveCheck->click();
    EXPECT_EQ(log.LogMask, 1u | 2u | 4u);

    log.BeginLoadLog();
    log.Log("Opening the package", 1 | 256);
    log.Log("Data\\UserTracks\\Nat\\Nat.scn", 1);
    log.Log("A texture line that is filtered out", 8);
    log.Log("Done", 1 | 512);
    log.EndLog();
    const QString text = form.TextView->toPlainText();
    EXPECT_TRUE(text.startsWith("===  Logging track loading: 11/12/2026  ==="));
    EXPECT_TRUE(text.contains("\n  Data\\UserTracks\\Nat\\Nat.scn\n"));
    EXPECT_FALSE(text.contains("filtered out"));
    Snapshot(form, "log");

    // Detached, the view keeps its text; attached again, it shows every line.
    form.TextViewDetached();
    log.Log("Later line");
    EXPECT_FALSE(form.TextView->toPlainText().contains("Later line"));
    form.TextViewAttached();
    EXPECT_TRUE(form.TextView->toPlainText().contains("Later line"));
}

TEST(ShellWindows, MainWindowMenusAndToolsFollowTheirLists)
{
    TTempDir dir;
    SetRegistryFile(dir.File("registry"));
    TRegistryStore& reg = Registry();
    reg.WriteString("\\SOFTWARE\\Vellmoor\\ZE2\\options", "version", "0.9.4");
    reg.WriteString("\\SOFTWARE\\Vellmoor\\ZE2\\MRU", "1", "/tracks/Desert.pak");
    reg.WriteString("\\SOFTWARE\\Vellmoor\\ZE2\\MRU", "2", "/tracks/Mud.pak");
    reg.WriteString("\\SOFTWARE\\Vellmoor\\ZE2\\UserTools\\Tool1", "Path", "/bin/sh");
    reg.WriteString("\\SOFTWARE\\Vellmoor\\ZE2\\UserTools\\Tool1", "Name", "Shell");

    TScriptedMsgBox box;
    TRecordingHelp help;
    TMainStartOptions start;
    start.OpenGLAvailable = true;
    start.MsgBox = &box;
    start.Help = &help;
    auto form = std::make_unique<TForm1>(start);
    // Before the first show the recent list is as stored (demo mode replaces it when shown).
    QStringList captions;
    for (QAction* a : form->MRUPopup->actions())
        captions << a->text();
    EXPECT_EQ(captions, (QStringList{"Desert.pak", "Mud.pak"}));
    // The stored tool has its button and its label on the Tools page.
    auto labels = form->UserToolsPanel->findChildren<QPushButton*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0]->text(), "Shell");
    labels[0]->click();
    EXPECT_EQ(form->ToolNameEdit->text(), "Shell");
    EXPECT_EQ(form->ToolPathEdit->text(), "sh");
    form.reset();
    // The list was saved when the window went.
    EXPECT_EQ(reg.ReadValue("\\SOFTWARE\\Vellmoor\\ZE2\\MRU", "1")->Text, "/tracks/Desert.pak");
}
