#include "archive/KexFileStream.h"

#include "core/Paths.h"
#include "core/StrUtils.h"

#include <cstring>
#include <exception>

namespace
{
constexpr char kMagic[4] = {'K', 'E', 'X', '\0'};

constexpr const char* kKindNames[TKexFileStream::KindCount] = {
    "Unknown",       "PhysicsData", "AnimationData", "CreatorInfo", "Geometry", "Texture",
    "CollisionData", "SceneData",   "TrackInfo",     "Spline",      "Audio",    "Profile"};

uint32_t Le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void PutLe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

// An 80-byte zero-padded name field: the text up to the first zero byte.
std::string NameFromField(const uint8_t* field)
{
    size_t n = 0;
    while (n < size_t(TKexFileStream::NameSize) && field[n] != 0)
        ++n;
    return AnsiToUtf8(std::string_view(reinterpret_cast<const char*>(field), n));
}

// The name as an 80-byte field; at most 79 characters, so it always ends in a zero.
void NameToField(const std::string& name, uint8_t* field)
{
    std::memset(field, 0, TKexFileStream::NameSize);
    const std::string ansi = Utf8ToAnsi(name);
    std::memcpy(field, ansi.data(), std::min<size_t>(ansi.size(), TKexFileStream::NameSize - 1));
}
} // namespace

void KexMaskBlockData(uint8_t* data, size_t size)
{
    const uint8_t s = uint8_t(size);
    const size_t whole = size - size % 4;
    for (size_t i = 0; i < whole; ++i)
        data[i] ^= uint8_t(s ^ KexBlockMaskKey[i % 4]);
}

TKexFileStream::TKexFileStream() = default;

TKexFileStream::~TKexFileStream()
{
    // Written out only when every write worked and no exception is on its way out.
    if (FWriting && FLastError == 0 && std::uncaught_exceptions() == 0)
    {
        try
        {
            Close();
        }
        catch (const std::exception&)
        {
        }
    }
}

std::string TKexFileStream::KindName(int kind)
{
    const int k = kind & 0x7F;
    return k < KindCount ? kKindNames[k] : kKindNames[0];
}

std::string TKexFileStream::ErrorText(int code)
{
    switch (code)
    {
    case keHeaderRead:
        return "error reading the header.";
    case keFileType:
        return "unrecognised file type.";
    case keDescription:
        return "problem reading file description from header.";
    case keHeaderWrite:
        return "error writing the file header.";
    case keBlockHeaderRead:
        return "error reading the block header.";
    case keBlockName:
        return "problem reading block filename from header.";
    case keBlockData:
        return "problem reading block data.";
    case keBlockHeaderWrite:
        return "error writing the block header.";
    case keBlockDataWrite:
        return "error writing the block data.";
    case keInvalidStream:
        return "error invalid stream";
    default:
        return "Unknown stream error";
    }
}

// ---- Reading ------------------------------------------------------------------------------

int TKexFileStream::OpenForRead(const std::string& fileName)
{
    return OpenForRead(std::make_unique<TFileStream>(fileName, TFileStream::fmOpenRead));
}

int TKexFileStream::OpenForRead(std::unique_ptr<TStream> stream)
{
    FStream = std::move(stream);
    FTargetFile.clear();
    FWriting = false;
    FHaveBlock = false;
    FLastError = 0;
    if (!FStream)
        return Fail(keInvalidStream);
    FStream->SetPosition(0);
    return ReadHeader();
}

int TKexFileStream::ReadHeader()
{
    uint8_t head[FileHeaderSize];
    if (FStream->Read(head, FileHeaderSize) != FileHeaderSize)
        return Fail(keHeaderRead);
    if (std::memcmp(head, kMagic, 4) != 0)
        return Fail(keFileType);
    FMajor = head[4];
    FMinor = head[5];
    FHeaderFlags = Le32(head + 6);
    FDescription.clear();
    if (FHeaderFlags & HasNameFlag)
    {
        uint8_t field[NameSize];
        if (FStream->Read(field, NameSize) != NameSize)
            return Fail(keDescription);
        FDescription = NameFromField(field);
    }
    return Fail(keOk);
}

int TKexFileStream::ReadBlockHeader()
{
    if (!FStream || FWriting)
        return Fail(keInvalidStream);
    const int64_t start = FStream->Position();
    uint8_t head[BlockHeaderSize];
    if (FStream->Read(head, BlockHeaderSize) != BlockHeaderSize)
    {
        FStream->SetPosition(start);
        FHaveBlock = false;
        return Fail(keBlockHeaderRead);
    }
    std::string name;
    const uint32_t flags = Le32(head + 2);
    if (flags & HasNameFlag)
    {
        uint8_t field[NameSize];
        if (FStream->Read(field, NameSize) != NameSize)
        {
            FStream->SetPosition(start);
            FHaveBlock = false;
            return Fail(keBlockName);
        }
        name = NameFromField(field);
    }
    FHaveBlock = true;
    FBlockKind = head[0];
    FBlockSubKind = head[1];
    FBlockFlags = flags;
    FBlockSize = Le32(head + 6);
    FBlockStart = start;
    FDataStart = FStream->Position();
    FBlockName = name;
    FDataRead = false;
    return Fail(keOk);
}

int TKexFileStream::NextBlock()
{
    if (!FStream || FWriting)
        return Fail(keInvalidStream);
    if (FHaveBlock && !FDataRead)
        FStream->SetPosition(FDataStart + int64_t(FBlockSize));
    return ReadBlockHeader();
}

int TKexFileStream::ReadBlockData(std::unique_ptr<TMemoryStream>& stream)
{
    if (!FStream || FWriting || !FHaveBlock)
        return Fail(keInvalidStream);
    if (!stream)
        stream = std::make_unique<TMemoryStream>();
    else
        stream->Clear();
    const int64_t end = FDataStart + int64_t(FBlockSize);
    FDataRead = true;
    // Never believe a size the file cannot hold.
    if (end > FStream->Size())
    {
        FStream->SetPosition(end);
        return Fail(keBlockData);
    }
    FStream->SetPosition(FDataStart);
    stream->SetSize(FBlockSize);
    if (FStream->Read(stream->Memory(), FBlockSize) != int64_t(FBlockSize))
    {
        stream->Clear();
        FStream->SetPosition(end);
        return Fail(keBlockData);
    }
    if (Masked())
        KexMaskBlockData(stream->Memory(), FBlockSize);
    stream->SetPosition(0);
    return Fail(keOk);
}

bool TKexFileStream::AtEnd()
{
    return !FStream || FStream->Position() >= FStream->Size() - 1;
}

bool TKexFileStream::NoMoreBlocks()
{
    if (!FStream)
        return true;
    const int64_t next = FHaveBlock ? FDataStart + int64_t(FBlockSize) : FStream->Position();
    return next >= FStream->Size();
}

// ---- Writing ------------------------------------------------------------------------------

void TKexFileStream::CreateForWrite(const std::string& fileName)
{
    const std::string target = ResolvePathForWrite(fileName);
    const std::string folder = ExtractFilePath(target);
    if (!folder.empty() && !DirectoryExists(folder))
        throw EFCreateError("Cannot create file \"" + fileName + "\". No such folder.");
    CreateForWrite(std::make_unique<TMemoryStream>());
    FTargetFile = fileName;
}

void TKexFileStream::CreateForWrite(std::unique_ptr<TStream> stream)
{
    FStream = std::move(stream);
    FTargetFile.clear();
    FWriting = FStream != nullptr;
    FHaveBlock = false;
    FMajor = FMinor = 0;
    FHeaderFlags = 0;
    FDescription.clear();
    FLastError = FStream ? keOk : keInvalidStream;
}

bool TKexFileStream::WriteAll(const void* data, int64_t count)
{
    try
    {
        return FStream->Write(data, count) == count;
    }
    catch (const EStreamError&)
    {
        return false;
    }
}

int TKexFileStream::WriteFileHeader(uint32_t flags, int major, int minor,
                                    const std::string& description)
{
    if (!FStream || !FWriting)
        return Fail(keInvalidStream);
    // The description flag says whether one follows, so it must match what is written.
    flags = description.empty() ? flags & ~HasNameFlag : flags | HasNameFlag;
    uint8_t head[FileHeaderSize + NameSize];
    std::memcpy(head, kMagic, 4);
    head[4] = uint8_t(major);
    head[5] = uint8_t(minor);
    PutLe32(head + 6, flags);
    int size = FileHeaderSize;
    if (flags & HasNameFlag)
    {
        NameToField(description, head + FileHeaderSize);
        size += NameSize;
    }
    if (!WriteAll(head, size))
        return Fail(keHeaderWrite);
    FMajor = uint8_t(major);
    FMinor = uint8_t(minor);
    FHeaderFlags = flags;
    FDescription = description;
    return Fail(keOk);
}

int TKexFileStream::WriteBlock(const TMemoryStream& stream, int kind, uint32_t flags, int subKind,
                               const std::string& name)
{
    if (!FStream || !FWriting)
        return Fail(keInvalidStream);
    if (stream.Size() > int64_t(UINT32_MAX))
        return Fail(keBlockDataWrite);
    const uint32_t size = uint32_t(stream.Size());
    flags = name.empty() ? flags & ~HasNameFlag : flags | HasNameFlag;
    uint8_t head[BlockHeaderSize + NameSize];
    head[0] = uint8_t(kind);
    head[1] = uint8_t(subKind);
    PutLe32(head + 2, flags);
    PutLe32(head + 6, size);
    int headSize = BlockHeaderSize;
    if (flags & HasNameFlag)
    {
        NameToField(name, head + BlockHeaderSize);
        headSize += NameSize;
    }
    const int64_t start = FStream->Position();
    if (!WriteAll(head, headSize))
        return Fail(keBlockHeaderWrite);
    FHaveBlock = true;
    FBlockKind = head[0];
    FBlockSubKind = head[1];
    FBlockFlags = flags;
    FBlockSize = size;
    FBlockStart = start;
    FDataStart = start + headSize;
    FBlockName = name;

    std::vector<uint8_t> data(stream.Bytes());
    if (Masked())
        KexMaskBlockData(data.data(), data.size());
    if (!WriteAll(data.data(), int64_t(data.size())))
        return Fail(keBlockDataWrite);
    return Fail(keOk);
}

int TKexFileStream::Close()
{
    if (!FWriting)
    {
        FStream.reset();
        return keOk;
    }
    FWriting = false;
    const int result = FLastError;
    std::unique_ptr<TStream> stream = std::move(FStream);
    const std::string target = std::move(FTargetFile);
    FTargetFile.clear();
    if (result != keOk || target.empty())
        return result;
    const auto* memory = dynamic_cast<const TMemoryStream*>(stream.get());
    if (!memory)
        return keInvalidStream;
    WriteFileAtomically(target, memory->Memory(), memory->Bytes().size());
    return keOk;
}

// ---- Resource folders ---------------------------------------------------------------------

int TKexFileStreamPlugIn::OpenArchive(TKexCustomFolder& folder)
{
    if (TKexFilePlugIn::OpenArchive(folder) != 0)
        return -1;
    TKexFileStream file;
    if (file.OpenForRead(folder.Path) != TKexFileStream::keOk)
        return -1;
    int counts[TKexFileStream::KindCount] = {};
    // A damaged block ends the list; the blocks before it stay readable.
    while (file.NextBlock() == TKexFileStream::keOk)
    {
        if (file.DataStart() + int64_t(file.BlockSize()) > file.Stream()->Size() ||
            file.BlockStart() > int64_t(UINT32_MAX))
            break;
        const int kind = file.BlockKind() & 0x7F;
        const int slot = kind < TKexFileStream::KindCount ? kind : 0;
        std::string name = file.BlockName();
        if (name.empty())
            name = TKexFileStream::KindName(kind) + "_" + std::to_string(++counts[slot]);
        TKexEntryRecord r;
        r.Offset = uint32_t(file.BlockStart());
        r.Size = file.BlockSize();
        r.TypeIndex = file.BlockKind() * 256 + file.BlockSubKind();
        folder.AddEntry(name, r);
        if (file.NoMoreBlocks())
            break;
    }
    return 0;
}

int TKexFileStreamPlugIn::ReadArchiveEntry(TKexCustomFolder& folder, int index,
                                           TMemoryStream& stream)
{
    const TKexEntryRecord* r = folder.Entry(index);
    if (!r)
        return -1;
    TKexFileStream file;
    if (file.OpenForRead(folder.Path) != TKexFileStream::keOk)
        return -3;
    file.Stream()->SetPosition(r->Offset);
    if (file.ReadBlockHeader() != TKexFileStream::keOk)
        return -3;
    std::unique_ptr<TMemoryStream> data = std::make_unique<TMemoryStream>();
    if (file.ReadBlockData(data) != TKexFileStream::keOk)
        return -2;
    stream.Clear();
    stream.WriteBuffer(data->Memory(), data->Size());
    stream.SetPosition(0);
    return 0;
}
