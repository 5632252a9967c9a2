// Byte streams: the memory stream and the file stream that the readers and writers of the
// game's formats work on, and the read cursor over a borrowed block of memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

// File and stream errors. Readers that open files let these reach the caller of a load;
// command-level code catches them and turns them into its error codes or messages.
class EStreamError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
class EFOpenError : public EStreamError
{
public:
    using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError
{
public:
    using EStreamError::EStreamError;
};
class EReadError : public EStreamError
{
public:
    using EStreamError::EStreamError;
};
class EWriteError : public EStreamError
{
public:
    using EStreamError::EStreamError;
};

enum class TSeekOrigin
{
    Begin = 0,
    Current = 1,
    End = 2
};

class TStream
{
public:
    virtual ~TStream() = default;

    // Copies up to count bytes; returns how many were read.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Writes up to count bytes; returns how many were written.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t Size() const = 0;
    virtual void SetSize(int64_t size) = 0;

    int64_t Position() { return Seek(0, TSeekOrigin::Current); }
    void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::Begin); }

    // Read or write exactly count bytes, raising EReadError / EWriteError otherwise.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies count bytes from source (all of it from the start when count is 0).
    int64_t CopyFrom(TStream& source, int64_t count);

    template <typename T> T ReadValue()
    {
        T v{};
        ReadBuffer(&v, sizeof(T));
        return v;
    }
    template <typename T> void WriteValue(const T& v) { WriteBuffer(&v, sizeof(T)); }
};

class TMemoryStream : public TStream
{
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : FData(std::move(bytes)) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() const override { return int64_t(FData.size()); }
    void SetSize(int64_t size) override;

    void Clear();
    const uint8_t* Memory() const { return FData.data(); }
    uint8_t* Memory() { return FData.data(); }
    const std::vector<uint8_t>& Bytes() const { return FData; }
    std::vector<uint8_t> TakeBytes();

    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

private:
    std::vector<uint8_t> FData;
    int64_t FPosition = 0;
};

// A file on disk. Paths go through ResolvePath, so backslashes and letter case of the game's
// names find the file.
class TFileStream : public TStream
{
public:
    enum TMode
    {
        fmOpenRead,
        fmOpenReadWrite,
        fmCreate
    };

    TFileStream(const std::string& fileName, TMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() const override;
    void SetSize(int64_t size) override;

    const std::string& FileName() const { return FFileName; }

private:
    std::FILE* FFile = nullptr;
    std::string FFileName;
};

// A read cursor over a block of memory it does not own. Reads past the end copy what is
// left; seeks are clamped to the block.
class TReadBuffer
{
public:
    TReadBuffer(const void* data, int64_t size)
        : FData(static_cast<const uint8_t*>(data)), FSize(size < 0 ? 0 : size)
    {
    }

    int64_t Read(void* buffer, int64_t count);
    int64_t Seek(int64_t offset, TSeekOrigin origin);
    int64_t Position() const { return FPosition; }
    int64_t Size() const { return FSize; }
    int64_t Remaining() const { return FSize - FPosition; }
    const uint8_t* Data() const { return FData; }
    const uint8_t* Current() const { return FData + FPosition; }

    // Reads exactly sizeof(T) bytes into v; false (nothing consumed) when fewer remain.
    template <typename T> bool ReadValue(T& v)
    {
        if (Remaining() < int64_t(sizeof(T)))
            return false;
        Read(&v, sizeof(T));
        return true;
    }

private:
    const uint8_t* FData;
    int64_t FSize;
    int64_t FPosition = 0;
};

// Writes bytes to fileName through a temporary file in the same folder and a rename, so a
// failed write leaves the old file as it was. Raises EFCreateError / EWriteError.
void WriteFileAtomically(const std::string& fileName, const void* data, size_t size);
std::vector<uint8_t> ReadWholeFile(const std::string& fileName);
