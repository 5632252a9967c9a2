// The splash window shown while the editor starts; later shown again as the about box.
#pragma once

#include <QDialog>
#include <QPixmap>

class QLabel;
class QTimer;

class TSplashForm : public QDialog
{
    Q_OBJECT

public:
    TSplashForm();

    // Shows the "Demo" label (the game was not found).
    void ShowDemoLabel();
    // Shows the window as the modal about box, centred on the main window.
    void ShowAbout(QWidget* mainWindow);

    QLabel* DemoLabel = nullptr;

private:
    void NextFrame();

    QLabel* FGears = nullptr;
    QPixmap FFrames;
    int FFrame = 0;
    QTimer* FTimer = nullptr;
};
