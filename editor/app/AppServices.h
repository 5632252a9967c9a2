// The main window's side of the services the document and the shell use: bitmap resources,
// tool bar buttons, dock areas and help pages.
#pragma once

#include "platform/DocumentViews.h"
#include "platform/HelpService.h"

#include <QMainWindow>
#include <QPixmap>
#include <QToolButton>
#include <memory>
#include <vector>

class QToolBar;

// The program's bitmap resources by name ("PLAYBTN", "HELMETBTN", "SELECTED", "TABBKGRND",
// "GEARS", ...). A button glyph strip holds its states side by side, each as wide as high.
// An unknown name gives a null pixmap.
QPixmap BitmapResource(const QString& name);

// A tool bar button the document created.
class TVellToolButton : public QToolButton, public TToolButton
{
    Q_OBJECT

public:
    TVellToolButton(QWidget* parent, int tag, bool latching);

    int Tag() const override { return FTag; }
    void SetEnabled(bool enabled) override { setEnabled(enabled); }
    bool Enabled() const override { return isEnabled(); }
    void SetLatched(bool latched) override;
    bool Latched() const override { return isChecked(); }

private:
    void Toggled(bool checked);
    int FTag;
    bool FSetting = false;
};

class TQtToolBarHost : public TToolBarHost
{
public:
    explicit TQtToolBarHost(QToolBar* bar) : FBar(bar) {}
    TToolButton* AddToolButton(const std::string& caption, int tag, const std::string& bitmapName,
                               const std::string& hint, bool latching) override;

private:
    QToolBar* FBar;
};

class TQtDockHost : public TDockHost
{
public:
    TQtDockHost(QMainWindow* window, Qt::DockWidgetArea area) : Window(window), Area(area) {}
    QMainWindow* Window;
    Qt::DockWidgetArea Area;
};

// Opens help pages in the desktop's browser.
class TDesktopHelp : public THelpService
{
public:
    int OpenHelpPage(const std::string& page) override;
};

// Writes the help pages asked for to stderr and opens nothing (automated runs).
class TConsoleHelp : public THelpService
{
public:
    int OpenHelpPage(const std::string& page) override;
    std::vector<std::string> Opened;
};

#include "platform/FileDialogs.h"

// Qt's file dialogs, parented to the main window.
class TQtFileDialogs : public TFileDialogService
{
public:
    explicit TQtFileDialogs(QWidget* parent) : FParent(parent) {}
    bool OpenFile(const TFileDialogRequest& request, std::string& fileName) override;
    bool SaveFile(const TFileDialogRequest& request, std::string& fileName) override;

private:
    QWidget* FParent;
};
