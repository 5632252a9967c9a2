#include "app/WukMsgBox.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace
{
constexpr int kTextRed = 206; // messages
constexpr int kTipRed = 85;   // tips
constexpr int kClientWidth = 358;
constexpr int kTextWidth = 285;
} // namespace

TWukMsg::TWukMsg(QWidget* mainWindow) : QDialog(mainWindow)
{
    setWindowTitle("Hovrax Brakken Editor Tiv");
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    MsgText = new QLabel(this);
    MsgText->setWordWrap(true);
    MsgText->setFixedWidth(kTextWidth);
    MsgText->setTextFormat(Qt::PlainText);
    Edit = new QLineEdit(this);
    OKBtn = new QPushButton("Ok", this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("No", this);
    connect(OKBtn, &QPushButton::clicked, this, [this] { done(1); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(2); });

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(MsgText, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Edit);
    layout->addLayout(buttons);
    setFixedWidth(kClientWidth);
    SetTextColor(kTextRed);
}

void TWukMsg::SetTextColor(int red)
{
    QPalette p = MsgText->palette();
    p.setColor(QPalette::WindowText, QColor(red, 0, 0));
    MsgText->setPalette(p);
}

void TWukMsg::Prepare(const std::string& text, const std::string& caption, bool withEdit,
                      bool question)
{
    if (!caption.empty())
        setWindowTitle(QString::fromStdString(caption));
    MsgText->setText(QString::fromStdString(text));
    CancelBtn->setVisible(question);
    OKBtn->setText(question ? "Yes" : "Ok");
    Edit->setVisible(withEdit);
    adjustSize();
    if (withEdit && height() < 122)
        resize(width(), 122);
    if (parentWidget())
        move(parentWidget()->frameGeometry().center() - rect().center());
}

bool TWukMsg::ShowMessageBox(const std::string& text, const std::string& caption, bool withEdit,
                             bool question)
{
    if (FShowing)
        return false;
    Prepare(text, caption, withEdit, question);
    FShowing = true;
    const int result = exec();
    FShowing = false;
    return result == 1;
}

bool TWukMsg::ShowTip(const std::string& text, const std::string& caption, bool question)
{
    SetTextColor(kTipRed);
    const bool answer = ShowMessageBox(text, caption, false, question);
    SetTextColor(kTextRed);
    return answer;
}

std::string TWukMsg::GetEditText() const
{
    return Edit->text().toStdString();
}
void TWukMsg::SetEditText(const std::string& text)
{
    Edit->setText(QString::fromStdString(text));
}
