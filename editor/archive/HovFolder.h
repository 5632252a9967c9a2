// Archives: a flat list of named entries with their bytes. TVirtualFolder is the list itself;
// THovFolder reads the game's three archive layouts (plain, zlib-compressed chunks, scrambled
// resource archives) and writes the plain one.
//
// Entry names are UTF-8 in memory and 8-bit (Windows-1252) in the files; name limits count
// 8-bit characters.
#pragma once

#include "core/Streams.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TZlibInflater;

struct TVirtualEntry
{
    // Entry flag bits.
    static constexpr uint32_t FlagScrambled = 1; // the bytes in memory are still scrambled
    static constexpr uint32_t FlagKeep = 2;      // never released by ReleaseEntryData

    std::string Name;
    uint32_t Offset = 0; // absolute in the archive file once read
    uint32_t Size = 0;
    uint32_t Flags = 0;
    bool InMemory = false;
    std::vector<uint8_t> Data; // the entry's bytes while InMemory
};

class TVirtualFolder
{
public:
    // The most 8-bit characters an entry record holds, and the most RenameEntry keeps.
    static constexpr size_t MaxNameLength = 127;
    static constexpr size_t MaxRenameLength = 79;

    TVirtualFolder() = default;
    virtual ~TVirtualFolder();
    TVirtualFolder(const TVirtualFolder&) = delete;
    TVirtualFolder& operator=(const TVirtualFolder&) = delete;

    // Opens fileName and reads its directory; with deferLoad, entry bytes are read only when
    // fetched. A file that cannot be opened raises EFOpenError; a damaged directory raises
    // EReadError (or EDecompressionError).
    void Open(const std::string& fileName, bool deferLoad);
    // The same over an already open stream (the folder takes it); fileName names the archive.
    void Open(std::unique_ptr<TStream> stream, const std::string& fileName, bool deferLoad);

    virtual void ReadDirectory(bool deferLoad) {}
    virtual bool CopyEntryData(std::vector<uint8_t>& buffer, int index);
    virtual bool AddEntry(const std::string& name, TStream* stream);

    // Frees every entry.
    void Clear();
    void ClearEntries() { Clear(); }

    int Count() const { return int(FEntries.size()); }
    const std::string& FileName() const { return FFileName; }
    uint32_t DataSize() const { return FDataSize; }
    // The record of an entry (read-only); nullptr for an invalid index.
    const TVirtualEntry* Entry(int index) const;

    // Entry operations. An invalid index does nothing and gives the empty result.
    std::string EntryName(int index) const; // "Not found" for an invalid index
    uint32_t EntrySize(int index) const;
    bool EntryInMemory(int index) const;
    // The entry's bytes, descrambled, loading them when needed; nullptr for an invalid index
    // (and possibly for an empty entry).
    const uint8_t* EntryData(int index);
    virtual void LoadEntry(int index, bool descramble, bool keep) {}
    virtual void ReleaseEntryData(int index);
    void ExtractToStream(TStream& stream, int index);
    std::unique_ptr<TMemoryStream> ExtractEntry(int index);

    bool AddOrReplace(const std::string& name, TStream* stream);
    bool AddFile(const std::string& name, const std::string& fileName);
    // Removes the entry; entries stored after it move down by its size. 0, or -1 for an
    // invalid index.
    int DeleteEntry(int index);
    // 0, or -1 when no entry has that name.
    int DeleteByName(const std::string& name);
    void RenameEntry(int index, const std::string& name);
    // The last entry whose name equals name without regard to case; -1 when none.
    int IndexOfName(const std::string& name) const;
    // The first entry at or after start whose name contains text without regard to case.
    int FindEntryFrom(const std::string& text, int start) const;
    int FindEntry(const std::string& text) const { return FindEntryFrom(text, 0); }
    void SortEntries();
    void DeleteByExtension(const std::string& ext);

protected:
    bool ValidIndex(int index) const { return index >= 0 && index < Count(); }
    // Descrambles the entry's bytes in memory when they are still scrambled.
    virtual void DescrambleEntry(TVirtualEntry& entry) {}
    // Called before entries are removed or reordered, for readers that find entries by their
    // place in the list.
    virtual void BeforeReorder() {}

    std::unique_ptr<TStream> FStream;
    int64_t FStreamSize = 0;
    std::string FFileName;
    uint32_t FDataSize = 0;
    std::vector<std::unique_ptr<TVirtualEntry>> FEntries;
};

enum class THovLayout
{
    Plain,
    Compressed,
    ScrambledShort, // "RES": 32-byte names
    ScrambledLong   // "RS2": length-prefixed paths
};

class THovFolder : public TVirtualFolder
{
public:
    // The descrambler's first key byte for ".res" archives and for every other archive.
    static constexpr uint8_t ScrambleSeedRes = 0xA7;
    static constexpr uint8_t ScrambleSeedOther = 0x3D;
    // zlib cannot expand data by more than this factor; a directory that claims more than
    // its chunks can give is damaged.
    static constexpr uint64_t MaxInflateRatio = 1032;

    THovFolder();
    ~THovFolder() override;

    static std::unique_ptr<THovFolder> CreateFromFile(const std::string& fileName, bool deferLoad);
    static std::unique_ptr<THovFolder>
    CreateFromStream(std::unique_ptr<TStream> stream, const std::string& fileName, bool deferLoad);
    // An empty folder with no open file, to be written with SaveAs.
    static std::unique_ptr<THovFolder> CreateEmpty(const std::string& fileName);

    // The seed the descrambler starts from for an archive of that name.
    static uint8_t SeedForFile(const std::string& fileName);
    // Runs the descrambler over bytes in place, starting from seed.
    static void Descramble(uint8_t* bytes, size_t size, uint8_t seed);

    void ReadDirectory(bool deferLoad) override;
    // Reads the entry's stored bytes into memory (inflating it for compressed archives).
    // Raises EReadError when the bytes lie outside the file, EDecompressionError on bad
    // compressed data.
    void LoadEntry(int index, bool descramble, bool keep) override;
    void ReleaseEntryData(int index) override;

    // Writes the archive in the plain layout, entries sorted by name, through a temporary file
    // in the same folder. An existing file of that name becomes the backup (extension ".bak",
    // replacing an older backup). Afterwards the folder belongs to the new file, with every
    // entry in memory. Raises EFCreateError / EWriteError; the old file is untouched then.
    void SaveAs(const std::string& fileName);

    THovLayout Layout() const { return FLayout; }
    bool Scrambled() const { return FScrambled; }
    bool Compressed() const { return FCompressed; }
    uint8_t Seed() const { return FSeed; }

protected:
    void DescrambleEntry(TVirtualEntry& entry) override;
    // Compressed entries inflate in directory order, so they all inflate before the list
    // changes.
    void BeforeReorder() override;

private:
    bool ReadPlain(bool strict);
    void ReadCompressed();
    void ReadScrambled();
    void InflateNext();
    [[noreturn]] void Damaged(const std::string& why) const;

    THovLayout FLayout = THovLayout::Plain;
    bool FScrambled = false;
    bool FCompressed = false;
    uint8_t FSeed = ScrambleSeedRes;
    std::vector<uint16_t> FChunkSizes;
    size_t FNextChunk = 0;
    int64_t FNextChunkPos = 0;
    int FNextInflate = 0;        // the next compressed entry to inflate
    std::string FInflateFailure; // set once inflation failed: later entries cannot be read
    std::unique_ptr<TZlibInflater> FInflater;
    std::vector<uint8_t> FChunk; // one compressed chunk while it inflates
};
