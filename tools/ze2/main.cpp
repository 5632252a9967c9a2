#include "Ze2.h"

#include "core/StrUtils.h"
#include "platform/MessageBox.h"

#include <QCoreApplication>
#include <cstdio>
#include <iostream>

namespace ze2
{
bool TArgs::Has(const std::string& flag) const
{
    for (const std::string& f : Flags)
        if (f == flag || StartsWithNoCase(f, flag + "="))
            return true;
    return false;
}

std::string TArgs::Value(const std::string& flag, const std::string& def) const
{
    for (const std::string& f : Flags)
        if (f.rfind(flag + "=", 0) == 0)
            return f.substr(flag.size() + 1);
    return def;
}

void Error(const std::string& text)
{
    std::fprintf(stderr, "ze2: %s\n", text.c_str());
}

void Line(const std::vector<std::string>& fields)
{
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i)
        out += (i ? "\t" : "") + fields[i];
    out += '\n';
    std::fwrite(out.data(), 1, out.size(), stdout);
}
} // namespace ze2

namespace
{
constexpr const char* kVersion = "0.9.4";

void PrintUsage(const ze2::TCommandTable& table)
{
    std::fprintf(stderr, "usage: ze2 [--yes|--no] COMMAND ...\n       ze2 --version\ncommands:\n");
    for (const ze2::TCommand& c : table)
        std::fprintf(stderr, "  ze2 %s %s\n", c.Name.c_str(), c.Usage.c_str());
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::ios::sync_with_stdio(true);

    ze2::TCommandTable table;
    ze2::AddRegistryCommands(table);
    ze2::AddIniCommands(table);
    ze2::AddPakCommands(table);
    ze2::AddResourceCommands(table);
    ze2::AddPhysicsCommands(table);
    ze2::AddTerrainFileCommands(table);
    ze2::AddTgaCommands(table);
    ze2::AddTerrainCommands(table);

    // Flags that take the next word as their value, across every subcommand.
    std::vector<std::string> valueFlags;
    for (const ze2::TCommand& c : table)
        valueFlags.insert(valueFlags.end(), c.ValueFlags.begin(), c.ValueFlags.end());

    std::vector<std::string> words;
    std::vector<std::string> flags;
    bool answerYes = false;
    for (int i = 1; i < argc; ++i)
    {
        const std::string a = argv[i];
        if (a == "--version")
        {
            std::printf("ze2 %s\n", kVersion);
            return ze2::ExitOk;
        }
        if (a == "--help" || a == "-h")
        {
            PrintUsage(table);
            return ze2::ExitOk;
        }
        if (a == "--yes" || a == "--no")
            answerYes = a == "--yes";
        else if (std::find(valueFlags.begin(), valueFlags.end(), a) != valueFlags.end())
        {
            if (i + 1 >= argc)
            {
                ze2::Error(a + " needs a value");
                return ze2::ExitUsage;
            }
            flags.push_back(a + "=" + argv[++i]);
        }
        else if (a.rfind("--", 0) == 0 && a.size() > 2)
            flags.push_back(a);
        else
            words.push_back(a);
    }

    // The longest command name that the words start with.
    const ze2::TCommand* chosen = nullptr;
    size_t chosenWords = 0;
    for (const ze2::TCommand& c : table)
    {
        const std::vector<std::string> parts = SplitString(c.Name, ' ');
        if (parts.size() > words.size() || parts.size() <= chosenWords)
            continue;
        if (std::equal(parts.begin(), parts.end(), words.begin()))
        {
            chosen = &c;
            chosenWords = parts.size();
        }
    }
    if (!chosen)
    {
        PrintUsage(table);
        return ze2::ExitUsage;
    }

    ze2::TArgs args;
    args.Positional.assign(words.begin() + std::ptrdiff_t(chosenWords), words.end());
    args.Flags = flags;

    TConsoleMsgBox msgBox(answerYes);
    TMsgBoxScope scope(msgBox);
    try
    {
        return chosen->Run(args);
    }
    catch (const std::exception& e)
    {
        ze2::Error(e.what());
        return ze2::ExitFailed;
    }
}
