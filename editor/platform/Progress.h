// The progress of long operations (open, pack, import): a caption and a position from 0 to
// 100. The progress window implements the sink; the track document's progress handler and
// the long operations report through it; tests record what they were told.
//
// The main window owns the one sink and publishes it (Publish<TProgressSink>); code reaches
// it through ProgressSink() and reports nothing when there is none.
#pragma once

#include "core/Globals.h"

#include <string>
#include <vector>

class TProgressSink
{
public:
    virtual ~TProgressSink() = default;

    // Shows the window with an empty caption and an empty bar, and lets pending window
    // messages run.
    virtual void ShowProgress() = 0;
    virtual void SetProgressCaption(const std::string& text) = 0;
    // position 0 to 100; values outside are clamped.
    virtual void SetProgressPosition(int position) = 0;
    virtual void HideProgress() = 0;

    // What the document's progress handler does: caption and position, then pending window
    // messages run (the window is not shown by this).
    virtual void Report(const std::string& text, int position)
    {
        SetProgressCaption(text);
        SetProgressPosition(position);
    }
};

inline TProgressSink* ProgressSink()
{
    return Global<TProgressSink>();
}

// Clamps a reported position to 0..100.
inline int ClampProgress(int position)
{
    return position < 0 ? 0 : position > 100 ? 100 : position;
}
// Width in pixels of the progress bar for a position (round(p * 2.5), at most 250).
inline int ProgressBarWidth(int position)
{
    return (ClampProgress(position) * 5 + 1) / 2;
}

// Shows the published sink (if any) for the lifetime of the object and hides it again,
// also when the operation ends with an exception.
class TProgressScope
{
public:
    explicit TProgressScope(TProgressSink* sink = ProgressSink()) : FSink(sink)
    {
        if (FSink)
            FSink->ShowProgress();
    }
    ~TProgressScope()
    {
        if (FSink)
            FSink->HideProgress();
    }
    TProgressScope(const TProgressScope&) = delete;
    TProgressScope& operator=(const TProgressScope&) = delete;

    void Report(const std::string& text, int position)
    {
        if (FSink)
            FSink->Report(text, position);
    }

private:
    TProgressSink* FSink;
};

// For tests: remembers the state and every call.
class TRecordingProgress : public TProgressSink
{
public:
    struct TEvent
    {
        enum class TKind
        {
            Show,
            Caption,
            Position,
            Hide
        };
        TKind Kind = TKind::Show;
        std::string Text;
        int Position = 0;
    };

    void ShowProgress() override
    {
        Visible = true;
        Caption.clear();
        Position = 0;
        Events.push_back({TEvent::TKind::Show, {}, 0});
    }
    void SetProgressCaption(const std::string& text) override
    {
        Caption = text;
        Events.push_back({TEvent::TKind::Caption, text, 0});
    }
    void SetProgressPosition(int position) override
    {
        Position = ClampProgress(position);
        Events.push_back({TEvent::TKind::Position, {}, Position});
    }
    void HideProgress() override
    {
        Visible = false;
        Events.push_back({TEvent::TKind::Hide, {}, 0});
    }

    bool Visible = false;
    std::string Caption;
    int Position = 0;
    std::vector<TEvent> Events;
};
