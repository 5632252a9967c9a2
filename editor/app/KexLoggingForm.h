// The log window: shows the lines of the program's log (TKexLog) and the categories that are
// logged.
#pragma once

#include "app/KexDockingForm.h"

#include <cstdint>

class QCheckBox;
class QPlainTextEdit;
class TKexLog;

class TKexLogForm : public TKexDockingForm
{
    Q_OBJECT

public:
    explicit TKexLogForm(TKexLog& log, QWidget* parent = nullptr);
    ~TKexLogForm() override;

    int ViewId() const override { return 4; }
    std::string DockingKey() const override { return "LogsDocking"; }
    void TextViewAttached() override;
    void TextViewDetached() override;

    QCheckBox* LoadCheck = nullptr;
    QCheckBox* SaveCheck = nullptr;
    QCheckBox* ModelsCheck = nullptr;
    QCheckBox* TexturesCheck = nullptr;
    QCheckBox* FilesCheck = nullptr; // never shown
    QPlainTextEdit* TextView = nullptr;

private:
    void ShowMask(uint32_t mask);

    TKexLog& FLog;
    bool FAttached = true;
};
