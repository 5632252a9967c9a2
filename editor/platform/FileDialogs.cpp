#include "platform/FileDialogs.h"

#include "core/StrUtils.h"

namespace
{
TFileDialogService* g_FileDialogs = nullptr;

class TNoDialogs : public TFileDialogService
{
public:
    bool OpenFile(const TFileDialogRequest&, std::string&) override { return false; }
    bool SaveFile(const TFileDialogRequest&, std::string&) override { return false; }
};
} // namespace

std::vector<std::pair<std::string, std::string>> SplitDialogFilter(const std::string& filter)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    const std::vector<std::string> parts = SplitString(filter, '|');
    for (size_t i = 0; i + 1 < parts.size(); i += 2)
        pairs.emplace_back(parts[i], parts[i + 1]);
    return pairs;
}

bool TScriptedFileDialogs::Answer(const TFileDialogRequest& request, std::string& fileName)
{
    Requests.push_back(request);
    if (Answers.empty() || Answers.front().empty())
    {
        if (!Answers.empty())
            Answers.pop_front();
        return false;
    }
    fileName = Answers.front();
    Answers.pop_front();
    return true;
}

bool TScriptedFileDialogs::OpenFile(const TFileDialogRequest& request, std::string& fileName)
{
    return Answer(request, fileName);
}

bool TScriptedFileDialogs::SaveFile(const TFileDialogRequest& request, std::string& fileName)
{
    return Answer(request, fileName);
}

TFileDialogService& FileDialogs()
{
    static TNoDialogs none;
    return g_FileDialogs ? *g_FileDialogs : none;
}

void PublishFileDialogs(TFileDialogService* service)
{
    g_FileDialogs = service;
}
