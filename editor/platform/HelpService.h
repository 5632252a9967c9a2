// Opening the program's help pages (help/<page>.htm in the program folder).
#pragma once

#include <string>
#include <vector>

class THelpService
{
public:
    virtual ~THelpService() = default;
    // Opens the page ("license", "whatsnew", "dx81", "physx", "folders"); an empty page
    // opens the contents. Returns a handle for the opened viewer, 0 when none.
    virtual int OpenHelpPage(const std::string& page) = 0;
    virtual void CloseHelp(int handle) {}
};

// The file a page name stands for: ProgramFolder() + "help/" + page + ".htm"; the contents
// page is "index".
std::string HelpPageFile(const std::string& page);

// Records the pages asked for; opens nothing. Used by tests and automated runs.
class TRecordingHelp : public THelpService
{
public:
    int OpenHelpPage(const std::string& page) override
    {
        Opened.push_back(page);
        return int(Opened.size());
    }
    std::vector<std::string> Opened;
};

THelpService& Help();
void PublishHelp(THelpService* service);
