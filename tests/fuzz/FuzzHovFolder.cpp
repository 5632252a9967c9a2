// Fuzzes the archive reader. The first byte picks how the archive is opened (bit 0: named
// ".res", which changes the descrambling seed; bit 1: entries read on demand); the rest is
// the archive file. Damaged input may raise the stream errors and nothing else.
#include "archive/HovFolder.h"
#include "archive/LZW.h"
#include "platform/MessageBox.h"

#include <cstddef>
#include <cstdint>

namespace
{
class TSilentMsgBox : public TMessageBoxService
{
public:
    bool ShowMessageBox(const std::string&, const std::string&, bool, bool) override
    {
        return true;
    }
    bool ShowTip(const std::string&, const std::string&, bool) override { return true; }
    std::string GetEditText() const override { return {}; }
    void SetEditText(const std::string&) override {}
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TSilentMsgBox box;
    PublishMsgBox(&box);
    if (size < 1)
        return 0;
    const uint8_t mode = data[0];
    auto stream = std::make_unique<TMemoryStream>(std::vector<uint8_t>(data + 1, data + size));
    try
    {
        auto folder = THovFolder::CreateFromStream(
            std::move(stream), (mode & 1) ? "fuzz.res" : "fuzz.pak", (mode & 2) != 0);
        for (int i = 0; i < folder->Count(); ++i)
        {
            const uint8_t* bytes = folder->EntryData(i);
            const uint32_t n = folder->EntrySize(i);
            uint8_t sum = 0;
            for (uint32_t k = 0; bytes && k < n; ++k)
                sum = uint8_t(sum + bytes[k]);
            (void)sum;
            folder->IndexOfName(folder->EntryName(i));
            folder->ReleaseEntryData(i);
        }
        if (folder->Count() > 1)
        {
            folder->DeleteEntry(0);
            folder->SortEntries();
            std::vector<uint8_t> copy;
            folder->CopyEntryData(copy, 0);
        }
    }
    catch (const EStreamError&)
    {
    }
    return 0;
}
