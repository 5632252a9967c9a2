// The program's message box: every message, question and tip of the editor.
#pragma once

#include "platform/MessageBox.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TWukMsg : public QDialog, public TMessageBoxService
{
    Q_OBJECT

public:
    explicit TWukMsg(QWidget* mainWindow);

    bool ShowMessageBox(const std::string& text, const std::string& caption, bool withEdit,
                        bool question) override;
    bool ShowTip(const std::string& text, const std::string& caption, bool question) override;
    std::string GetEditText() const override;
    void SetEditText(const std::string& text) override;

    // The parts, for tests and screenshots.
    QLabel* MsgText = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QLineEdit* Edit = nullptr;

    // Prepares the box without showing it (ShowMessageBox = Prepare + exec).
    void Prepare(const std::string& text, const std::string& caption, bool withEdit, bool question);

private:
    void SetTextColor(int red);
    bool FShowing = false;
};
