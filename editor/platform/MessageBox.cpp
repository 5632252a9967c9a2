#include "platform/MessageBox.h"

#include <cstdio>

namespace
{
TMessageBoxService* g_MsgBox = nullptr;

TConsoleMsgBox& FallbackMsgBox()
{
    static TConsoleMsgBox box;
    return box;
}
} // namespace

TMessageBoxService& MsgBox()
{
    return g_MsgBox ? *g_MsgBox : FallbackMsgBox();
}
void PublishMsgBox(TMessageBoxService* service)
{
    g_MsgBox = service;
}

bool TConsoleMsgBox::ShowMessageBox(const std::string& text, const std::string& caption,
                                    bool withEdit, bool question)
{
    if (!caption.empty())
        FCaption = caption;
    std::fprintf(stderr, "%s: %s%s\n", FCaption.empty() ? "BrakkenTiv" : FCaption.c_str(),
                 text.c_str(), question ? (FAnswerYes ? " [Yes]" : " [No]") : "");
    return question ? FAnswerYes : true;
}

bool TConsoleMsgBox::ShowTip(const std::string& text, const std::string& caption, bool question)
{
    return ShowMessageBox(text, caption, false, question);
}

bool TScriptedMsgBox::Answer(bool question)
{
    if (!Answers.empty())
    {
        const bool a = Answers.front();
        Answers.pop_front();
        return a;
    }
    return question ? DefaultAnswer : true;
}

bool TScriptedMsgBox::ShowMessageBox(const std::string& text, const std::string& caption,
                                     bool withEdit, bool question)
{
    Shown.push_back({text, caption, withEdit, question, false});
    if (withEdit && !EditAnswers.empty())
    {
        Edit = EditAnswers.front();
        EditAnswers.pop_front();
    }
    return Answer(question);
}

bool TScriptedMsgBox::ShowTip(const std::string& text, const std::string& caption, bool question)
{
    Shown.push_back({text, caption, false, question, true});
    return Answer(question);
}

TMsgBoxScope::TMsgBoxScope(TMessageBoxService& service) : FPrevious(g_MsgBox)
{
    g_MsgBox = &service;
}

TMsgBoxScope::~TMsgBoxScope()
{
    g_MsgBox = FPrevious;
}
