#include "archive/HovFolder.h"

#include "archive/LZW.h"
#include "core/Paths.h"
#include "core/StrUtils.h"
#include "platform/MessageBox.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr uint64_t kPlainRecordSize = 108;
constexpr size_t kPlainNameField = 100;
constexpr size_t kCompressedMaxName = 80;
constexpr size_t kCompressedNameKept = 79;
constexpr uint64_t kCompressedMinRecord = 12;
constexpr size_t kShortNameField = 32;
constexpr uint64_t kShortRecordSize = 40;
constexpr size_t kLongNameKept = 81;
constexpr char kScrambledMagic[4] = {'F', 'A', 'O', 'E'};

uint32_t Le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v >> 16));
    out.push_back(uint8_t(v >> 24));
}

// 8-bit bytes up to the first zero (at most max of them) as an in-memory name.
std::string NameFromField(const uint8_t* p, size_t max)
{
    size_t n = 0;
    while (n < max && p[n] != 0)
        ++n;
    return AnsiToUtf8(std::string_view(reinterpret_cast<const char*>(p), n));
}

// name cut at a zero character and to at most max 8-bit characters.
std::string LimitName(const std::string& name, size_t max)
{
    std::string n = name.substr(0, name.find('\0'));
    const std::string ansi = Utf8ToAnsi(n);
    if (ansi.size() <= max)
        return n;
    return AnsiToUtf8(std::string_view(ansi).substr(0, max));
}

// Sort key of a name: its 8-bit form with ASCII letters lower-cased, compared byte by byte.
std::string SortKey(const std::string& name)
{
    return LowerCase(Utf8ToAnsi(name));
}

// Reads and descrambles a run of the file with one running key.
class TScrambledReader
{
public:
    TScrambledReader(TStream& stream, int64_t pos, int64_t end, uint8_t seed)
        : FStream(stream), FPos(pos), FEnd(end), FKey(seed)
    {
    }

    // False when fewer than n bytes are left in the file.
    bool Read(uint8_t* out, size_t n)
    {
        while (n > 0)
        {
            if (FBufPos == FBuf.size())
            {
                const int64_t want = std::min<int64_t>(64 * 1024, FEnd - FPos);
                if (want <= 0)
                    return false;
                FBuf.resize(size_t(want));
                FStream.SetPosition(FPos);
                FStream.ReadBuffer(FBuf.data(), want);
                FPos += want;
                FBufPos = 0;
            }
            const size_t k = std::min(n, FBuf.size() - FBufPos);
            for (size_t i = 0; i < k; ++i)
            {
                const uint8_t c = FBuf[FBufPos++];
                *out++ = uint8_t(c ^ FKey);
                FKey = uint8_t(FKey + c);
            }
            n -= k;
        }
        return true;
    }

    bool ReadU32(uint32_t& v)
    {
        uint8_t b[4];
        if (!Read(b, 4))
            return false;
        v = Le32(b);
        return true;
    }

    // Bytes of the file not read yet.
    int64_t Left() const { return FEnd - FPos + int64_t(FBuf.size() - FBufPos); }

private:
    TStream& FStream;
    int64_t FPos;
    int64_t FEnd;
    uint8_t FKey;
    std::vector<uint8_t> FBuf;
    size_t FBufPos = 0;
};
} // namespace

// ---------------------------------------------------------------------------------------------
// TVirtualFolder

TVirtualFolder::~TVirtualFolder() = default;

void TVirtualFolder::Open(const std::string& fileName, bool deferLoad)
{
    Open(std::make_unique<TFileStream>(fileName, TFileStream::fmOpenRead), fileName, deferLoad);
}

void TVirtualFolder::Open(std::unique_ptr<TStream> stream, const std::string& fileName,
                          bool deferLoad)
{
    Clear();
    FFileName = fileName;
    FStream = std::move(stream);
    FStreamSize = FStream ? FStream->Size() : 0;
    FDataSize = uint32_t(std::min<int64_t>(FStreamSize, UINT32_MAX));
    ReadDirectory(deferLoad);
}

void TVirtualFolder::Clear()
{
    FEntries.clear();
}

const TVirtualEntry* TVirtualFolder::Entry(int index) const
{
    return ValidIndex(index) ? FEntries[size_t(index)].get() : nullptr;
}

std::string TVirtualFolder::EntryName(int index) const
{
    return ValidIndex(index) ? FEntries[size_t(index)]->Name : std::string("Not found");
}

uint32_t TVirtualFolder::EntrySize(int index) const
{
    return ValidIndex(index) ? FEntries[size_t(index)]->Size : 0;
}

bool TVirtualFolder::EntryInMemory(int index) const
{
    return ValidIndex(index) && FEntries[size_t(index)]->InMemory;
}

const uint8_t* TVirtualFolder::EntryData(int index)
{
    if (!ValidIndex(index))
        return nullptr;
    TVirtualEntry& e = *FEntries[size_t(index)];
    if (e.InMemory)
        DescrambleEntry(e);
    else
        LoadEntry(index, true, false);
    return e.InMemory ? e.Data.data() : nullptr;
}

void TVirtualFolder::ReleaseEntryData(int index)
{
    if (!ValidIndex(index))
        return;
    TVirtualEntry& e = *FEntries[size_t(index)];
    if (!e.InMemory || (e.Flags & TVirtualEntry::FlagKeep))
        return;
    std::fill(e.Data.begin(), e.Data.end(), uint8_t(0));
    e.Data = {};
    e.InMemory = false;
}

void TVirtualFolder::ExtractToStream(TStream& stream, int index)
{
    if (!ValidIndex(index))
        return;
    const uint8_t* data = EntryData(index);
    const uint32_t size = EntrySize(index);
    stream.SetSize(size);
    stream.SetPosition(0);
    if (data)
        stream.WriteBuffer(data, size);
    stream.SetPosition(0);
    ReleaseEntryData(index);
}

std::unique_ptr<TMemoryStream> TVirtualFolder::ExtractEntry(int index)
{
    if (!ValidIndex(index))
        return nullptr;
    auto stream = std::make_unique<TMemoryStream>();
    ExtractToStream(*stream, index);
    return stream;
}

bool TVirtualFolder::CopyEntryData(std::vector<uint8_t>& buffer, int index)
{
    if (!ValidIndex(index))
        return false;
    const uint8_t* data = EntryData(index);
    const uint32_t size = EntrySize(index);
    buffer.assign(data, data ? data + size : data);
    buffer.resize(size);
    return true;
}

namespace
{
// A kept, in-memory record holding a copy of stream's bytes from its start.
std::unique_ptr<TVirtualEntry> EntryFromStream(const std::string& name, TStream& stream,
                                               uint32_t offset)
{
    const int64_t size = stream.Size();
    if (size < 0 || size > int64_t(UINT32_MAX))
        throw EReadError("\"" + name + "\" is too large for an archive entry");
    auto e = std::make_unique<TVirtualEntry>();
    e->Name = LimitName(name, TVirtualFolder::MaxNameLength);
    e->Offset = offset;
    e->Size = uint32_t(size);
    e->Flags = TVirtualEntry::FlagKeep;
    e->Data.resize(size_t(size));
    stream.SetPosition(0);
    stream.ReadBuffer(e->Data.data(), size);
    e->InMemory = true;
    return e;
}
} // namespace

bool TVirtualFolder::AddEntry(const std::string& name, TStream* stream)
{
    if (!stream)
        return false;
    auto e = EntryFromStream(name, *stream, FDataSize);
    FDataSize += e->Size;
    FEntries.push_back(std::move(e));
    return true;
}

bool TVirtualFolder::AddOrReplace(const std::string& name, TStream* stream)
{
    const std::string n = LimitName(Trim(name), MaxNameLength);
    if (n.empty() || !stream)
        return false;
    // Read the new bytes before the old entry goes, so a failed read loses nothing.
    auto e = EntryFromStream(n, *stream, 0);
    const int old = IndexOfName(n);
    if (old >= 0)
        DeleteEntry(old);
    e->Offset = FDataSize;
    FDataSize += e->Size;
    FEntries.push_back(std::move(e));
    return true;
}

bool TVirtualFolder::AddFile(const std::string& name, const std::string& fileName)
{
    TFileStream file(fileName, TFileStream::fmOpenRead);
    return AddOrReplace(name, &file);
}

int TVirtualFolder::DeleteEntry(int index)
{
    if (!ValidIndex(index))
        return -1;
    BeforeReorder();
    const uint32_t offset = FEntries[size_t(index)]->Offset;
    const uint32_t size = FEntries[size_t(index)]->Size;
    FEntries.erase(FEntries.begin() + index);
    // Entries held in memory for good close the gap. Entries whose bytes are still in the
    // archive file keep their offset: it is where LoadEntry finds them.
    for (auto& e : FEntries)
        if (e->InMemory && (e->Flags & TVirtualEntry::FlagKeep) && e->Offset > offset)
            e->Offset -= size;
    FDataSize -= size;
    return 0;
}

int TVirtualFolder::DeleteByName(const std::string& name)
{
    const int index = IndexOfName(name);
    return index < 0 ? -1 : DeleteEntry(index);
}

void TVirtualFolder::RenameEntry(int index, const std::string& name)
{
    if (ValidIndex(index))
        FEntries[size_t(index)]->Name = LimitName(name, MaxRenameLength);
}

int TVirtualFolder::IndexOfName(const std::string& name) const
{
    for (int i = Count() - 1; i >= 0; --i)
        if (SameText(FEntries[size_t(i)]->Name, name))
            return i;
    return -1;
}

int TVirtualFolder::FindEntryFrom(const std::string& text, int start) const
{
    const std::string needle = LowerCase(text);
    for (int i = std::max(start, 0); i < Count(); ++i)
        if (LowerCase(FEntries[size_t(i)]->Name).find(needle) != std::string::npos)
            return i;
    return -1;
}

void TVirtualFolder::SortEntries()
{
    BeforeReorder();
    std::vector<std::pair<std::string, std::unique_ptr<TVirtualEntry>>> keyed;
    keyed.reserve(FEntries.size());
    for (auto& e : FEntries)
    {
        std::string key = SortKey(e->Name);
        keyed.emplace_back(std::move(key), std::move(e));
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < keyed.size(); ++i)
        FEntries[i] = std::move(keyed[i].second);
}

void TVirtualFolder::DeleteByExtension(const std::string& ext)
{
    const std::string wanted = LowerCase(ext);
    for (int i = Count() - 1; i >= 0; --i)
        if (LowerCase(ExtractFileExt(FEntries[size_t(i)]->Name)) == wanted)
            DeleteEntry(i);
}

// ---------------------------------------------------------------------------------------------
// THovFolder

THovFolder::THovFolder() = default;
THovFolder::~THovFolder() = default;

std::unique_ptr<THovFolder> THovFolder::CreateFromFile(const std::string& fileName, bool deferLoad)
{
    auto folder = std::make_unique<THovFolder>();
    folder->Open(fileName, deferLoad);
    return folder;
}

std::unique_ptr<THovFolder> THovFolder::CreateFromStream(std::unique_ptr<TStream> stream,
                                                         const std::string& fileName,
                                                         bool deferLoad)
{
    auto folder = std::make_unique<THovFolder>();
    folder->Open(std::move(stream), fileName, deferLoad);
    return folder;
}

std::unique_ptr<THovFolder> THovFolder::CreateEmpty(const std::string& fileName)
{
    auto folder = std::make_unique<THovFolder>();
    folder->FFileName = fileName;
    folder->FSeed = ScrambleSeedRes;
    return folder;
}

uint8_t THovFolder::SeedForFile(const std::string& fileName)
{
    return SameText(ExtractFileExt(fileName), ".res") ? ScrambleSeedRes : ScrambleSeedOther;
}

void THovFolder::Descramble(uint8_t* bytes, size_t size, uint8_t seed)
{
    uint8_t key = seed;
    for (size_t i = 0; i < size; ++i)
    {
        const uint8_t c = bytes[i];
        bytes[i] = uint8_t(c ^ key);
        key = uint8_t(key + c);
    }
}

void THovFolder::Damaged(const std::string& why) const
{
    throw EReadError("Archive \"" + FFileName + "\" is damaged: " + why);
}

void THovFolder::ReadDirectory(bool deferLoad)
{
    Clear();
    FLayout = THovLayout::Plain;
    FScrambled = false;
    FCompressed = false;
    FChunkSizes.clear();
    FNextChunk = 0;
    FNextChunkPos = 0;
    FNextInflate = 0;
    FInflateFailure.clear();
    if (!FStream)
        return;

    uint8_t head[4];
    if (FStreamSize < 4)
        Damaged("the file is too short to hold a directory");
    FStream->SetPosition(0);
    FStream->ReadBuffer(head, 4);
    if (head[0] == 3 && head[1] == 0)
    {
        // A plain archive of 3, 259, 515, ... entries starts the same way; its directory
        // matches the file exactly, which a compressed archive's never does in practice.
        if (!ReadPlain(true))
            ReadCompressed();
    }
    else if (std::memcmp(head, kScrambledMagic, 4) == 0)
        ReadScrambled();
    else
        ReadPlain(false);

    if (deferLoad)
        return;
    if (FCompressed)
        while (FNextInflate < Count())
            InflateNext();
    else
        for (int i = 0; i < Count(); ++i)
            LoadEntry(i, false, true);
}

// The plain layout. With strict, the directory must describe the file exactly (entries back to
// back in order, the last ending at the end of the file) and a mismatch returns false; without
// it, entries need only lie inside the file, and a mismatch raises.
bool THovFolder::ReadPlain(bool strict)
{
    FStream->SetPosition(0);
    const uint32_t count = FStream->ReadValue<uint32_t>();
    const uint64_t dirEnd = 4 + kPlainRecordSize * count;
    if (dirEnd > uint64_t(FStreamSize))
    {
        if (strict)
            return false;
        Damaged("the directory claims " + std::to_string(count) + " entries but the file holds " +
                "only " + std::to_string(FStreamSize) + " bytes");
    }
    if (dirEnd > UINT32_MAX)
        Damaged("the directory is too large");
    std::vector<uint8_t> dir(size_t(dirEnd - 4));
    FStream->ReadBuffer(dir.data(), int64_t(dir.size()));

    const uint64_t dataBytes = uint64_t(FStreamSize) - dirEnd;
    std::vector<std::unique_ptr<TVirtualEntry>> entries;
    entries.reserve(count);
    uint64_t sum = 0;
    for (uint32_t i = 0; i < count; ++i)
    {
        const uint8_t* rec = dir.data() + kPlainRecordSize * i;
        const uint32_t offset = Le32(rec + kPlainNameField);
        const uint32_t size = Le32(rec + kPlainNameField + 4);
        auto e = std::make_unique<TVirtualEntry>();
        e->Name = NameFromField(rec, kPlainNameField);
        if (strict && offset != sum)
            return false;
        if (uint64_t(offset) + size > dataBytes || dirEnd + offset > UINT32_MAX)
        {
            if (strict)
                return false;
            Damaged("entry \"" + e->Name + "\" lies past the end of the file");
        }
        sum += size;
        e->Offset = uint32_t(dirEnd + offset);
        e->Size = size;
        entries.push_back(std::move(e));
    }
    if (strict ? sum != dataBytes : sum > dataBytes)
    {
        if (strict)
            return false;
        Damaged("the entries claim more bytes than the file holds");
    }
    FEntries = std::move(entries);
    FLayout = THovLayout::Plain;
    return true;
}

void THovFolder::ReadCompressed()
{
    const uint64_t fileSize = uint64_t(FStreamSize);
    if (fileSize < 28)
        Damaged("the file is too short to hold a directory");
    FStream->SetPosition(16);
    const uint32_t tableBytes = FStream->ReadValue<uint32_t>();
    if (28 + uint64_t(tableBytes) > fileSize)
        Damaged("the chunk table runs past the end of the file");
    std::vector<uint8_t> table(tableBytes);
    FStream->ReadBuffer(table.data(), tableBytes);
    const uint32_t count = FStream->ReadValue<uint32_t>();
    const uint32_t dirBytes = FStream->ReadValue<uint32_t>();
    const uint64_t dataStart = 28 + uint64_t(tableBytes) + dirBytes;
    if (dataStart > fileSize)
        Damaged("the directory runs past the end of the file");
    if (count > dirBytes / kCompressedMinRecord)
        Damaged("the directory claims " + std::to_string(count) + " entries but holds only " +
                std::to_string(dirBytes) + " bytes");

    std::vector<uint8_t> dir(dirBytes);
    FStream->ReadBuffer(dir.data(), dirBytes);
    std::vector<std::unique_ptr<TVirtualEntry>> entries;
    entries.reserve(count);
    uint64_t total = 0;
    size_t pos = 0;
    for (uint32_t i = 0; i < count; ++i)
    {
        if (dir.size() - pos < 4)
            Damaged("the directory records run past the directory");
        const uint32_t len = Le32(dir.data() + pos);
        pos += 4;
        if (len > kCompressedMaxName)
            Damaged("entry " + std::to_string(i) + " has a name of " + std::to_string(len) +
                    " characters");
        if (dir.size() - pos < uint64_t(len) + 8)
            Damaged("the directory records run past the directory");
        auto e = std::make_unique<TVirtualEntry>();
        e->Name = NameFromField(dir.data() + pos, std::min<size_t>(len, kCompressedNameKept));
        pos += len;
        e->Offset = Le32(dir.data() + pos);
        e->Size = Le32(dir.data() + pos + 4);
        pos += 8;
        total += e->Size;
        entries.push_back(std::move(e));
    }

    std::vector<uint16_t> chunks(tableBytes / 2);
    uint64_t chunkBytes = 0;
    for (size_t i = 0; i < chunks.size(); ++i)
    {
        chunks[i] = uint16_t(table[2 * i] | table[2 * i + 1] << 8);
        chunkBytes += uint64_t(chunks[i]) + 1;
    }
    if (chunkBytes > fileSize - dataStart)
        Damaged("the chunk table claims more data than the file holds");
    if (total > chunkBytes * MaxInflateRatio)
        Damaged("the entries claim more data than the chunks can hold");

    FEntries = std::move(entries);
    FChunkSizes = std::move(chunks);
    FNextChunk = 0;
    FNextChunkPos = int64_t(dataStart);
    FNextInflate = 0;
    FCompressed = true;
    FLayout = THovLayout::Compressed;
}

void THovFolder::ReadScrambled()
{
    FScrambled = true;
    FSeed = SeedForFile(FFileName);
    TScrambledReader in(*FStream, 4, FStreamSize, FSeed);
    uint8_t kindBytes[4];
    uint32_t count = 0;
    if (!in.Read(kindBytes, 4) || !in.ReadU32(count))
        Damaged("the file is too short to hold a directory");
    const std::string kind = NameFromField(kindBytes, 4);
    const bool longNames = kind == "RS2";
    const uint64_t minRecord = longNames ? kCompressedMinRecord : kShortRecordSize;
    if (uint64_t(count) * minRecord > uint64_t(in.Left()))
        Damaged("the directory claims " + std::to_string(count) + " entries but the file holds " +
                "only " + std::to_string(FStreamSize) + " bytes");

    std::vector<std::unique_ptr<TVirtualEntry>> entries;
    entries.reserve(count);
    uint64_t total = 0;
    std::vector<uint8_t> name;
    for (uint32_t i = 0; i < count; ++i)
    {
        auto e = std::make_unique<TVirtualEntry>();
        uint32_t offset = 0;
        uint32_t size = 0;
        if (longNames)
        {
            uint32_t len = 0;
            if (!in.ReadU32(len) || uint64_t(len) + 8 > uint64_t(in.Left()))
                Damaged("the directory runs past the end of the file");
            name.assign(len, 0);
            if (len > 0)
                in.Read(name.data(), len);
            // Only the file name part of the stored path names the entry.
            size_t start = 0;
            for (size_t k = 0; k < len && name[k] != 0; ++k)
                if (name[k] == '\\' || name[k] == '/')
                    start = k + 1;
            if (start < len)
                e->Name = NameFromField(name.data() + start, std::min(kLongNameKept, len - start));
            e->Flags = TVirtualEntry::FlagScrambled;
        }
        else
        {
            uint8_t field[kShortNameField];
            if (!in.Read(field, kShortNameField))
                Damaged("the directory runs past the end of the file");
            e->Name = NameFromField(field, kShortNameField);
        }
        if (!in.ReadU32(offset) || !in.ReadU32(size))
            Damaged("the directory runs past the end of the file");
        // Entry offsets count from the end of the magic.
        if (4 + uint64_t(offset) + size > uint64_t(FStreamSize))
            Damaged("entry \"" + e->Name + "\" lies past the end of the file");
        total += size;
        e->Offset = 4 + offset;
        e->Size = size;
        entries.push_back(std::move(e));
    }
    if (total > uint64_t(FStreamSize))
        Damaged("the entries claim more bytes than the file holds");
    FEntries = std::move(entries);
    FLayout = longNames ? THovLayout::ScrambledLong : THovLayout::ScrambledShort;
}

void THovFolder::InflateNext()
{
    if (!FInflateFailure.empty())
        throw EDecompressionError(FInflateFailure);
    TVirtualEntry& e = *FEntries[size_t(FNextInflate)];
    try
    {
        if (!FInflater)
            FInflater = std::make_unique<TZlibInflater>();
        std::vector<uint8_t> data;
        std::vector<uint8_t> spill;
        size_t filled = 0;
        while (filled < e.Size)
        {
            if (FNextChunk >= FChunkSizes.size())
                throw EDecompressionError("Compressed entry \"" + e.Name + "\" of \"" + FFileName +
                                          "\" needs more chunks than the archive holds");
            const size_t n = size_t(FChunkSizes[FNextChunk]) + 1;
            if (!FStream || FNextChunkPos + int64_t(n) > FStreamSize)
                Damaged("the chunks run past the end of the file");
            FChunk.resize(n);
            FStream->SetPosition(FNextChunkPos);
            FStream->ReadBuffer(FChunk.data(), int64_t(n));
            FInflater->Begin(FChunk.data(), n);

            // Inflate straight into the entry, growing it as output arrives (never beyond its
            // size, and never on the directory's word alone); output past the size is dropped.
            size_t taken = 0;
            while (!FInflater->Ended())
            {
                if (filled < e.Size)
                {
                    if (filled == data.size())
                        data.resize(std::min<size_t>(
                            e.Size, std::max<size_t>({filled * 2, filled + 4 * n, 64 * 1024})));
                    const size_t got =
                        FInflater->Inflate(data.data() + filled, data.size() - filled);
                    filled += got;
                    taken += got;
                }
                else
                {
                    spill.resize(64 * 1024);
                    FInflater->Inflate(spill.data(), spill.size());
                }
            }
            if (taken == 0)
                MsgBox().ShowMessageBox("uh, oh", "decompression problem");
            FNextChunkPos += int64_t(n);
            ++FNextChunk;
        }
        data.resize(e.Size);
        e.Data = std::move(data);
        e.InMemory = true;
        e.Flags = TVirtualEntry::FlagKeep;
        ++FNextInflate;
    }
    catch (const EStreamError& err)
    {
        // The chunk position is lost: no later entry can be read either.
        FInflateFailure = err.what();
        throw;
    }
}

void THovFolder::LoadEntry(int index, bool descramble, bool keep)
{
    if (!ValidIndex(index))
        return;
    TVirtualEntry& e = *FEntries[size_t(index)];
    if (FCompressed)
    {
        // Chunks are read strictly in order, so every earlier entry inflates first.
        while (!e.InMemory && FNextInflate <= index)
            InflateNext();
        return;
    }

    std::unique_ptr<TFileStream> opened;
    TStream* stream = FStream.get();
    int64_t size = FStreamSize;
    if (!stream)
    {
        opened = std::make_unique<TFileStream>(FFileName, TFileStream::fmOpenRead);
        stream = opened.get();
        size = stream->Size();
    }
    if (uint64_t(e.Offset) + e.Size > uint64_t(size))
        throw EReadError("Entry \"" + e.Name + "\" lies past the end of archive \"" + FFileName +
                         "\"");
    std::vector<uint8_t> data(e.Size);
    stream->SetPosition(e.Offset);
    stream->ReadBuffer(data.data(), e.Size);
    e.Data = std::move(data);
    e.InMemory = true;
    e.Flags =
        (FScrambled ? TVirtualEntry::FlagScrambled : 0) | (keep ? TVirtualEntry::FlagKeep : 0);
    if (descramble)
        DescrambleEntry(e);
}

void THovFolder::DescrambleEntry(TVirtualEntry& e)
{
    if (!e.InMemory || !(e.Flags & TVirtualEntry::FlagScrambled))
        return;
    Descramble(e.Data.data(), e.Data.size(), FSeed);
    e.Flags &= ~TVirtualEntry::FlagScrambled;
}

void THovFolder::BeforeReorder()
{
    if (FCompressed)
        while (FNextInflate < Count())
            InflateNext();
}

void THovFolder::ReleaseEntryData(int index)
{
    if (!FCompressed)
        TVirtualFolder::ReleaseEntryData(index);
}

namespace
{
// Writes all of size bytes to fd; false on failure.
bool WriteAll(int fd, const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0)
    {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}
} // namespace

void THovFolder::SaveAs(const std::string& fileName)
{
    // Every entry's bytes in memory, as plain bytes: the plain layout is never scrambled.
    for (int i = 0; i < Count(); ++i)
    {
        TVirtualEntry& e = *FEntries[size_t(i)];
        if (e.InMemory)
            DescrambleEntry(e);
        else
            LoadEntry(i, true, false);
    }
    SortEntries();

    // The directory. Names keep one byte of their field for the terminating zero.
    const uint64_t dirEnd = 4 + kPlainRecordSize * uint64_t(Count());
    std::vector<uint8_t> dir;
    dir.reserve(size_t(dirEnd));
    PutLe32(dir, uint32_t(Count()));
    uint64_t offset = 0;
    std::vector<std::string> names;
    for (const auto& e : FEntries)
    {
        std::string ansi = Utf8ToAnsi(e->Name);
        if (ansi.size() > kPlainNameField - 1)
            ansi.resize(kPlainNameField - 1);
        names.push_back(ansi);
        const size_t at = dir.size();
        dir.resize(at + kPlainRecordSize, 0);
        std::memcpy(dir.data() + at, ansi.data(), ansi.size());
        dir.resize(at + kPlainNameField);
        PutLe32(dir, uint32_t(offset));
        PutLe32(dir, e->Size);
        offset += e->Size;
    }
    if (dirEnd + offset > UINT32_MAX)
        throw EWriteError("Cannot write file \"" + fileName +
                          "\". An archive cannot hold more than 4 GB.");

    // Into a temporary file beside the target, then renamed into place.
    const std::string target = ResolvePathForWrite(fileName);
    std::string tmp = target + ".tmpXXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        throw EFCreateError("Cannot create file \"" + fileName + "\". " + std::strerror(errno));
    bool ok = WriteAll(fd, dir.data(), dir.size());
    for (size_t i = 0; ok && i < FEntries.size(); ++i)
        ok = WriteAll(fd, FEntries[i]->Data.data(), FEntries[i]->Size);
    ok = ok && ::fsync(fd) == 0;
    struct stat old = {};
    mode_t mode;
    if (::stat(target.c_str(), &old) == 0)
        mode = old.st_mode & 07777;
    else
    {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    ok = (::close(fd) == 0) && ok;
    if (!ok)
    {
        const std::string why = std::strerror(errno);
        ::unlink(tmp.c_str());
        throw EWriteError("Cannot write file \"" + fileName + "\". " + why);
    }

    // The file being replaced becomes the backup, replacing an older backup.
    const std::string backup = ResolvePathForWrite(ChangeFileExt(fileName, ".bak"));
    if (backup != target && FileExists(target) && std::rename(target.c_str(), backup.c_str()) != 0)
    {
        const std::string why = std::strerror(errno);
        ::unlink(tmp.c_str());
        throw EWriteError("Cannot move \"" + fileName + "\" to its backup. " + why);
    }
    if (std::rename(tmp.c_str(), target.c_str()) != 0)
    {
        const std::string why = std::strerror(errno);
        ::unlink(tmp.c_str());
        throw EWriteError("Cannot write file \"" + fileName + "\". " + why);
    }

    // The folder now belongs to the new file.
    FStream.reset();
    FFileName = fileName;
    FStreamSize = int64_t(dirEnd + offset);
    FDataSize = uint32_t(FStreamSize);
    FLayout = THovLayout::Plain;
    FScrambled = false;
    FCompressed = false;
    FChunkSizes.clear();
    FInflateFailure.clear();
    uint64_t at = dirEnd;
    for (size_t i = 0; i < FEntries.size(); ++i)
    {
        TVirtualEntry& e = *FEntries[i];
        e.Name = AnsiToUtf8(names[i]);
        e.Offset = uint32_t(at);
        e.Flags = TVirtualEntry::FlagKeep;
        at += e.Size;
    }
}
