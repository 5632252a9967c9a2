// The base of every dockable tool window: a view id for the main window, the option name that
// stores where it docks, and the activation and command callbacks.
#pragma once

#include <QDockWidget>
#include <cstdint>
#include <functional>
#include <string>

class TKexDockingForm : public QDockWidget
{
    Q_OBJECT

public:
    using TActivateEvent = std::function<void(TKexDockingForm* sender, int viewId)>;
    using TCommandEvent = std::function<void(TKexDockingForm* sender, int code, int64_t value)>;

    TKexDockingForm(const QString& caption, QWidget* parent = nullptr);
    ~TKexDockingForm() override;

    // The main window's view id for this window; -1: none.
    virtual int ViewId() const { return -1; }
    // The option under which the main window stores where the window docks.
    virtual std::string DockingKey() const { return "Docking"; }
    // The shared text view was given to / is taken from this window.
    virtual void TextViewAttached() {}
    virtual void TextViewDetached() {}
    // Saves the text view's contents for this window.
    virtual int SaveText() { return 0; }

    // Calls the command callback when one is bound.
    void SendCommand(int code, int64_t value);

    TActivateEvent OnActivate;
    TCommandEvent OnCommand;

private:
    void FocusChanged(QWidget* old, QWidget* now);
};

// Docks window by a stored docking code: 1 floating, 2 right, 3 left, 4 bottom; 0 hides it.
void DockByCode(QMainWindow* window, QDockWidget* dock, int code);
