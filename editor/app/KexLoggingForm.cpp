#include "app/KexLoggingForm.h"

#include "platform/KexLog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

TKexLogForm::TKexLogForm(TKexLog& log, QWidget* parent) : TKexDockingForm("Logs", parent), FLog(log)
{
    setObjectName("LogForm");
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    auto* rollout = new QGroupBox("  Logs", body);
    auto* options = new QVBoxLayout(rollout);
    options->addWidget(new QLabel("Logging options", rollout));
    auto check = [&](const char* name, const char* caption, uint32_t bit)
    {
        auto* box = new QCheckBox(caption, rollout);
        box->setObjectName(name);
        box->setProperty("tag", bit);
        options->addWidget(box);
        connect(box, &QCheckBox::clicked, this,
                [this, bit](bool on) { FLog.SetCategoryEnabled(bit, on); });
        return box;
    };
    LoadCheck = check("LoadCheck", "Track loading", TKexLog::lfLoading);
    SaveCheck = check("SaveCheck", "Track saving", TKexLog::lfSaving);
    ModelsCheck = check("ModelsCheck", "Model activity", TKexLog::lfModels);
    TexturesCheck = check("TexturesCheck", "Texture activity", TKexLog::lfTextures);
    FilesCheck = check("FilesCheck", "Files activity", TKexLog::lfFiles);
    FilesCheck->hide();
    layout->addWidget(rollout);

    TextView = new QPlainTextEdit(body);
    TextView->setObjectName("LogText");
    TextView->setReadOnly(true);
    TextView->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono("Monospace");
    mono.setStyleHint(QFont::TypeWriter);
    TextView->setFont(mono);
    layout->addWidget(TextView, 1);
    setWidget(body);

    ShowMask(FLog.LogMask);
    TextViewAttached();
    FLog.OnMaskChanged = [this](uint32_t mask) { ShowMask(mask); };
    FLog.OnCleared = [this]
    {
        if (FAttached)
            TextView->clear();
    };
    FLog.OnLineAdded = [this](const std::string& line)
    {
        if (FAttached)
            TextView->appendPlainText(QString::fromStdString(line));
    };
}

TKexLogForm::~TKexLogForm()
{
    FLog.OnMaskChanged = nullptr;
    FLog.OnCleared = nullptr;
    FLog.OnLineAdded = nullptr;
}

void TKexLogForm::ShowMask(uint32_t mask)
{
    for (QCheckBox* box : {LoadCheck, SaveCheck, ModelsCheck, TexturesCheck, FilesCheck})
        box->setChecked((mask & box->property("tag").toUInt()) != 0);
}

void TKexLogForm::TextViewAttached()
{
    FAttached = true;
    TextView->clear();
    for (const std::string& line : FLog.LogLines)
        TextView->appendPlainText(QString::fromStdString(line));
    TextView->document()->setModified(false);
}

void TKexLogForm::TextViewDetached()
{
    FAttached = false;
}
