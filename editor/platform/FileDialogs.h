// File dialogs as a service: the editor shows Qt's dialogs, tests answer from a script and
// ze2 never asks (its file names come from the command line).
#pragma once

#include <deque>
#include <string>
#include <vector>

struct TFileDialogRequest
{
    std::string Title;
    // Filter in the "Description|*.a;*.b|Other|*.c" form the track types give.
    std::string Filter;
    int FilterIndex = 1; // 1-based, as the filters are numbered
    std::string InitialDir;
    std::string FileName;
    bool MustExist = false;
};

class TFileDialogService
{
public:
    virtual ~TFileDialogService() = default;
    // True with the chosen file in fileName; false when cancelled.
    virtual bool OpenFile(const TFileDialogRequest& request, std::string& fileName) = 0;
    virtual bool SaveFile(const TFileDialogRequest& request, std::string& fileName) = 0;
};

// The "Description|patterns|..." filter as (description, patterns) pairs.
std::vector<std::pair<std::string, std::string>> SplitDialogFilter(const std::string& filter);

// Records every request and answers from a queue of file names (an empty name cancels).
class TScriptedFileDialogs : public TFileDialogService
{
public:
    bool OpenFile(const TFileDialogRequest& request, std::string& fileName) override;
    bool SaveFile(const TFileDialogRequest& request, std::string& fileName) override;

    std::vector<TFileDialogRequest> Requests;
    std::deque<std::string> Answers;

private:
    bool Answer(const TFileDialogRequest& request, std::string& fileName);
};

// The service the program publishes; without one every dialog is cancelled.
TFileDialogService& FileDialogs();
void PublishFileDialogs(TFileDialogService* service);
