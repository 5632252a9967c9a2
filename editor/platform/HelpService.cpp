#include "platform/HelpService.h"

#include "core/Paths.h"

namespace
{
THelpService* g_Help = nullptr;
}

std::string HelpPageFile(const std::string& page)
{
    return ProgramFolder() + "help/" + (page.empty() ? std::string("index") : page) + ".htm";
}

THelpService& Help()
{
    static TRecordingHelp fallback;
    return g_Help ? *g_Help : fallback;
}

void PublishHelp(THelpService* service)
{
    g_Help = service;
}
