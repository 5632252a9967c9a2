#include "app/KexDockingForm.h"

#include <QApplication>
#include <QMainWindow>

TKexDockingForm::TKexDockingForm(const QString& caption, QWidget* parent)
    : QDockWidget(caption, parent)
{
    setProperty("tag", 7);
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable |
                QDockWidget::DockWidgetClosable);
    connect(qApp, &QApplication::focusChanged, this, &TKexDockingForm::FocusChanged);
}

TKexDockingForm::~TKexDockingForm() = default;

void TKexDockingForm::SendCommand(int code, int64_t value)
{
    if (OnCommand)
        OnCommand(this, code, value);
}

void TKexDockingForm::FocusChanged(QWidget* old, QWidget* now)
{
    // Activated: the focus moved into this window from outside it.
    const bool wasInside = old && isAncestorOf(old);
    const bool isInside = now && (now == this || isAncestorOf(now));
    if (isInside && !wasInside && OnActivate)
        OnActivate(this, ViewId());
}

void DockByCode(QMainWindow* window, QDockWidget* dock, int code)
{
    if (!window || !dock)
        return;
    switch (code)
    {
    case 0:
        dock->hide();
        return;
    case 1:
        dock->setFloating(true);
        dock->show();
        return;
    case 3:
        window->addDockWidget(Qt::LeftDockWidgetArea, dock);
        break;
    case 4:
        window->addDockWidget(Qt::BottomDockWidgetArea, dock);
        break;
    default:
        window->addDockWidget(Qt::RightDockWidgetArea, dock);
        break;
    }
    dock->setFloating(false);
    dock->show();
}
