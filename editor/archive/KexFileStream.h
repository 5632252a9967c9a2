// Block files (".kex"): a 10-byte header ("KEX\0", version major and minor, flags, an
// optional 80-byte description) followed by typed, sized blocks, each with an optional
// 80-byte name. From version 1.1 on, block data is stored masked word by word.
//
// TKexFileStream reads and writes such a file block by block; TKexFileStreamPlugIn lets the
// resource manager list a block file as a folder whose entries are its blocks.
#pragma once

#include "archive/KexResourceManager.h"
#include "core/Streams.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

// The four key bytes that, each XOR-ed with the low byte of a block's data size, make the
// mask over every whole 32-bit word of the block's data (lowest byte first).
constexpr std::array<uint8_t, 4> KexBlockMaskKey = {0x6B, 0xE3, 0x29, 0xB4};

// Masks (or unmasks: the same operation) a block's data in place.
void KexMaskBlockData(uint8_t* data, size_t size);

class TKexFileStream
{
public:
    // Result codes.
    enum : int
    {
        keOk = 0,
        keHeaderRead = 4097,
        keFileType = 4098,
        keDescription = 4099,
        keHeaderWrite = 4100,
        keBlockHeaderRead = 8193,
        keBlockName = 8194,
        keBlockData = 8195,
        keBlockHeaderWrite = 8196,
        keBlockDataWrite = 8197,
        keInvalidStream = 8198,
    };
    // Header and block flag bit: an 80-byte description or block name follows.
    static constexpr uint32_t HasNameFlag = 4;
    static constexpr int FileHeaderSize = 10;
    static constexpr int BlockHeaderSize = 10;
    static constexpr int NameSize = 80;
    static constexpr int KindCount = 12;

    TKexFileStream();
    // A stream being written that was neither closed nor failed is written out here.
    ~TKexFileStream();
    TKexFileStream(const TKexFileStream&) = delete;
    TKexFileStream& operator=(const TKexFileStream&) = delete;

    // The name of a block kind (its low 7 bits); "Unknown" for kinds without a name.
    static std::string KindName(int kind);
    static std::string ErrorText(int code);

    // Reading. Opens the file and reads its header: 0 or the header's error code (kept in
    // LastError). A file that cannot be opened raises EFOpenError.
    int OpenForRead(const std::string& fileName);
    // The same over a stream the object takes.
    int OpenForRead(std::unique_ptr<TStream> stream);
    // Skips the rest of the current block and reads the next block's header: 0, or 8193 /
    // 8194 with the position back at the block's start.
    int NextBlock();
    // Reads a block header at the current position.
    int ReadBlockHeader();
    // The current block's data, unmasked when the version requires, into stream (made when
    // null, emptied otherwise, positioned at 0): 0, or 8195 when the file holds fewer bytes
    // than the block claims (the position then lies past the whole block).
    int ReadBlockData(std::unique_ptr<TMemoryStream>& stream);
    bool HasBlock() const { return FHaveBlock && FBlockKind != 0; }
    // True when a block header has been read (of any kind, "Unknown" included).
    bool HaveBlock() const { return FHaveBlock; }
    int BlockKind() const { return FBlockKind; }
    int BlockSubKind() const { return FBlockSubKind; }
    uint32_t BlockFlags() const { return FBlockFlags; }
    bool BlockHasFlag(uint32_t bit) const { return (FBlockFlags & bit) != 0; }
    uint32_t BlockSize() const { return FBlockSize; }
    int64_t BlockStart() const { return FBlockStart; }
    int64_t DataStart() const { return FDataStart; }
    const std::string& BlockName() const { return FBlockName; }
    // True when the position is at or past the last byte of the file.
    bool AtEnd();
    // True when no further block header starts before the end of the file.
    bool NoMoreBlocks();

    // Writing. The file is written when the stream is closed, through a temporary file, so
    // a failed write leaves an older file as it was. Raises EFCreateError when the file's
    // folder does not exist.
    void CreateForWrite(const std::string& fileName);
    // Writes into a stream the object takes (nothing is written out on Close).
    void CreateForWrite(std::unique_ptr<TStream> stream);
    // The 10-byte header, with the description when one is given (the flag bit is set to
    // match): 0 or 4100.
    int WriteFileHeader(uint32_t flags, int major, int minor, const std::string& description = {});
    // One block of stream's bytes (masked when the version asks for it; the caller's stream
    // is left as it was), named when name is given: 0, 8196 or 8197.
    int WriteBlock(const TMemoryStream& stream, int kind, uint32_t flags, int subKind,
                   const std::string& name = {});
    // Writes the file out (when writing to a file) and closes it: 0, or the first error the
    // writes met (the file is then left as it was). Raises EFCreateError / EWriteError when
    // the file cannot be written.
    int Close();

    // True when a block's data is stored masked in this file's version.
    bool Masked() const { return FMajor > 1 || FMinor != 0; }
    int Major() const { return FMajor; }
    int Minor() const { return FMinor; }
    uint32_t HeaderFlags() const { return FHeaderFlags; }
    const std::string& Description() const { return FDescription; }
    int LastError() const { return FLastError; }
    TStream* Stream() const { return FStream.get(); }

private:
    int Fail(int code) { return FLastError = code; }
    int ReadHeader();
    bool WriteAll(const void* data, int64_t count);

    std::unique_ptr<TStream> FStream;
    std::string FTargetFile; // written on Close
    bool FWriting = false;
    int FMajor = 0;
    int FMinor = 0;
    uint32_t FHeaderFlags = 0;
    std::string FDescription;
    bool FHaveBlock = false;
    int FBlockKind = 0;
    int FBlockSubKind = 0;
    uint32_t FBlockFlags = 0;
    uint32_t FBlockSize = 0;
    int64_t FBlockStart = 0;
    int64_t FDataStart = 0;
    std::string FBlockName;
    bool FDataRead = false;
    int FLastError = 0;
};

// Lists a block file's blocks as folder entries: the block's name, or the kind name and a
// running number per kind ("PhysicsData_1"). An entry's type is kind * 256 + sub-kind.
class TKexFileStreamPlugIn : public TKexFilePlugIn
{
public:
    void Extensions(std::string& text) const override { text = ".kex"; }
    int FamilyId() const override { return 3; }
    int PlugInVersion() const override { return 256; }
    // 0, -3 when the block header cannot be read, -2 when its data cannot.
    int ReadArchiveEntry(TKexCustomFolder& folder, int index, TMemoryStream& stream) override;
    int OpenArchive(TKexCustomFolder& folder) override;
};
