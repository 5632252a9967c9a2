// The progress window of long operations: a caption over a bar.
#pragma once

#include "platform/Progress.h"

#include <QDialog>

class QLabel;

class TProgressFrm : public QDialog, public TProgressSink
{
    Q_OBJECT

public:
    explicit TProgressFrm(QWidget* mainWindow);

    void ShowProgress() override;
    void SetProgressCaption(const std::string& text) override;
    void SetProgressPosition(int position) override;
    void HideProgress() override;
    void Report(const std::string& text, int position) override;

    QLabel* Display = nullptr;
    QLabel* BlueBar = nullptr;
    QLabel* Slider = nullptr;
};
