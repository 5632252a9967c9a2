// The message box service. Every message, question and tip the user sees goes through it.
// The editor implements it with its own dialog (TWukMsg), ze2 writes to stderr and answers
// from its --yes/--no flag, and tests use TScriptedMsgBox.
#pragma once

#include <deque>
#include <string>
#include <vector>

class TMessageBoxService
{
public:
    virtual ~TMessageBoxService() = default;

    // Shows text under caption (an empty caption keeps the last one). A question offers Yes
    // and No; otherwise one OK button. Returns true for OK or Yes. While a box is already
    // showing, answers false at once.
    virtual bool ShowMessageBox(const std::string& text, const std::string& caption,
                                bool withEdit = false, bool question = false) = 0;
    // The same box, with the tip colour and no edit field.
    virtual bool ShowTip(const std::string& text, const std::string& caption, bool question) = 0;
    virtual std::string GetEditText() const = 0;
    virtual void SetEditText(const std::string& text) = 0;
};

// The service the program publishes; a stderr one answering defaults when none was set.
TMessageBoxService& MsgBox();
void PublishMsgBox(TMessageBoxService* service);

// Writes "caption: text" to stderr and answers questions with a fixed answer (No by default),
// OK boxes with true. Used by ze2 and by automated runs of the editor.
class TConsoleMsgBox : public TMessageBoxService
{
public:
    explicit TConsoleMsgBox(bool answerYes = false) : FAnswerYes(answerYes) {}

    bool ShowMessageBox(const std::string& text, const std::string& caption, bool withEdit,
                        bool question) override;
    bool ShowTip(const std::string& text, const std::string& caption, bool question) override;
    std::string GetEditText() const override { return FEdit; }
    void SetEditText(const std::string& text) override { FEdit = text; }

private:
    bool FAnswerYes;
    std::string FEdit;
    std::string FCaption;
};

// For tests: records every box and answers from a queue (then from DefaultAnswer).
class TScriptedMsgBox : public TMessageBoxService
{
public:
    struct TShown
    {
        std::string Text;
        std::string Caption;
        bool WithEdit = false;
        bool Question = false;
        bool Tip = false;
    };

    bool ShowMessageBox(const std::string& text, const std::string& caption, bool withEdit,
                        bool question) override;
    bool ShowTip(const std::string& text, const std::string& caption, bool question) override;
    std::string GetEditText() const override { return Edit; }
    void SetEditText(const std::string& text) override { Edit = text; }

    std::vector<TShown> Shown;
    std::deque<bool> Answers;
    bool DefaultAnswer = false;
    std::string Edit;
    std::deque<std::string> EditAnswers; // typed into the edit field of boxes with edit

private:
    bool Answer(bool question);
};

// Installs a service for the lifetime of the object and restores the previous one.
class TMsgBoxScope
{
public:
    explicit TMsgBoxScope(TMessageBoxService& service);
    ~TMsgBoxScope();
    TMsgBoxScope(const TMsgBoxScope&) = delete;
    TMsgBoxScope& operator=(const TMsgBoxScope&) = delete;

private:
    TMessageBoxService* FPrevious;
};
