#include "platform/KexLog.h"

#include <QDate>
#include <QLocale>

namespace
{
std::string TodayShortDate()
{
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
}
} // namespace

void TKexLog::Begin(int category, const char* what)
{
    LogCategory = category;
    LogLines.clear();
    if (OnCleared)
        OnCleared();
    LogIndent = 0;
    const std::string date = DateText ? DateText() : TodayShortDate();
    // The header belongs to the running log and is kept whatever the mask says.
    for (const std::string& line :
         {std::string("===  Logging track ") + what + ": " + date + "  ===", std::string()})
    {
        LogLines.push_back(line);
        if (OnLineAdded)
            OnLineAdded(line);
    }
}

void TKexLog::BeginLoadLog()
{
    Begin(lcLoading, "loading");
}

void TKexLog::BeginPackLog()
{
    Begin(lcPacking, "packing");
}

void TKexLog::Log(const std::string& text, uint32_t flags)
{
    const uint32_t categories = (flags & lfCategories) | uint32_t(LogCategory);
    if ((categories & ~LogMask) != 0)
        return; // a disabled category: dropped, nothing else happens
    if (flags & lfCloseGroup)
        LogIndent -= 2;
    std::string line(size_t(LogIndent > 0 ? LogIndent : 0), ' ');
    line += text;
    LogLines.push_back(line);
    if (OnLineAdded)
        OnLineAdded(line);
    if (flags & lfOpenGroup)
        LogIndent += 2;
    if (OnIdle)
        OnIdle();
}

void TKexLog::SetLogMask(uint32_t mask)
{
    LogMask = mask;
    if (OnMaskChanged)
        OnMaskChanged(mask);
}

void TKexLog::SetCategoryEnabled(uint32_t bit, bool enabled)
{
    SetLogMask(enabled ? (LogMask | bit) : (LogMask & ~bit));
}

void LogLine(const std::string& text, uint32_t flags)
{
    if (TKexLog* log = KexLog())
        log->Log(text, flags);
}
