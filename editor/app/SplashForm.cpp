#include "app/SplashForm.h"

#include "app/AppServices.h"
#include "core/Paths.h"
#include "platform/HelpService.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

TSplashForm::TSplashForm() : QDialog(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName("SplashForm");
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(32, 38, 48));
    pal.setColor(QPalette::WindowText, QColor(235, 235, 235));
    setPalette(pal);

    auto* title = new QLabel("Hovrax Brakken Editor Tiv", this);
    QFont big = title->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    title->setFont(big);
    auto* version = new QLabel("Track editor  -  version 0.9.4", this);
    DemoLabel = new QLabel("Demo", this);
    QFont demoFont = DemoLabel->font();
    demoFont.setPointSize(demoFont.pointSize() + 4);
    demoFont.setBold(true);
    DemoLabel->setFont(demoFont);
    DemoLabel->setStyleSheet("color: rgb(255, 170, 40);");
    DemoLabel->hide();
    FGears = new QLabel(this);
    FGears->setFixedSize(64, 64);
    FFrames = BitmapResource("GEARS");

    auto* help = new QPushButton("Help", this);
    help->setObjectName("HelpBtn");
    help->hide();
    connect(help, &QPushButton::clicked, this,
            [this]
            {
                Help().OpenHelpPage("");
                accept();
            });

    auto* text = new QVBoxLayout;
    text->addWidget(title);
    text->addWidget(version);
    text->addWidget(DemoLabel);
    text->addStretch(1);
    text->addWidget(help, 0, Qt::AlignRight);
    auto* row = new QHBoxLayout(this);
    row->addWidget(FGears, 0, Qt::AlignTop);
    row->addLayout(text, 1);
    row->setContentsMargins(24, 24, 24, 24);
    resize(480, 200);

    FTimer = new QTimer(this);
    connect(FTimer, &QTimer::timeout, this, &TSplashForm::NextFrame);
    FTimer->start(120);
    NextFrame();
    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    show();
}

void TSplashForm::NextFrame()
{
    // Frames 1 to 4, endlessly.
    FGears->setPixmap(FFrames.copy(64 * FFrame, 0, 64, 64));
    FFrame = (FFrame + 1) % 4;
}

void TSplashForm::ShowDemoLabel()
{
    DemoLabel->show();
}

void TSplashForm::ShowAbout(QWidget* mainWindow)
{
    resize(width(), 477);
    if (auto* help = findChild<QPushButton*>("HelpBtn"))
        help->show();
    if (mainWindow)
        move(mainWindow->frameGeometry().center() - rect().center());
    exec();
}
