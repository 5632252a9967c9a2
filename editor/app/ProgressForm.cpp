#include "app/ProgressForm.h"

#include <QApplication>
#include <QLabel>

TProgressFrm::TProgressFrm(QWidget* mainWindow) : QDialog(mainWindow)
{
    setObjectName("ProgressFrm");
    setWindowTitle("Progress");
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setFixedSize(330, 110);
    Display = new QLabel(this);
    Display->setGeometry(38, 14, 254, 20);
    Slider = new QLabel(this);
    Slider->setGeometry(38, 44, 255, 22);
    Slider->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Slider->setStyleSheet("background: rgb(40, 44, 52);");
    BlueBar = new QLabel(this);
    BlueBar->setGeometry(40, 46, 0, 18);
    BlueBar->setStyleSheet("background: rgb(50, 110, 220);");
}

void TProgressFrm::ShowProgress()
{
    BlueBar->resize(0, BlueBar->height());
    Display->clear();
    if (parentWidget())
        move(parentWidget()->frameGeometry().center() - rect().center());
    show();
    QApplication::processEvents();
}

void TProgressFrm::SetProgressCaption(const std::string& text)
{
    Display->setText(QString::fromStdString(text));
}

void TProgressFrm::SetProgressPosition(int position)
{
    BlueBar->resize(ProgressBarWidth(position), BlueBar->height());
}

void TProgressFrm::HideProgress()
{
    hide();
}

void TProgressFrm::Report(const std::string& text, int position)
{
    TProgressSink::Report(text, position);
    QApplication::processEvents();
}
