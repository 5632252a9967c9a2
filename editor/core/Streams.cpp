#include "core/Streams.h"

#include "core/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

void TStream::ReadBuffer(void* buffer, int64_t count)
{
    if (count > 0 && Read(buffer, count) != count)
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count)
{
    if (count > 0 && Write(buffer, count) != count)
        throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count)
{
    if (count == 0)
    {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<uint8_t> chunk(size_t(std::min<int64_t>(count, 1 << 20)));
    int64_t left = count;
    while (left > 0)
    {
        const int64_t n = std::min<int64_t>(left, int64_t(chunk.size()));
        source.ReadBuffer(chunk.data(), n);
        WriteBuffer(chunk.data(), n);
        left -= n;
    }
    return count;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    if (count <= 0 || FPosition >= Size())
        return 0;
    const int64_t n = std::min(count, Size() - FPosition);
    std::memcpy(buffer, FData.data() + FPosition, size_t(n));
    FPosition += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    if (FPosition + count > Size())
        FData.resize(size_t(FPosition + count));
    std::memcpy(FData.data() + FPosition, buffer, size_t(count));
    FPosition += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = 0;
    if (origin == TSeekOrigin::Current)
        base = FPosition;
    else if (origin == TSeekOrigin::End)
        base = Size();
    FPosition = std::max<int64_t>(0, base + offset);
    return FPosition;
}

void TMemoryStream::SetSize(int64_t size)
{
    FData.resize(size_t(std::max<int64_t>(0, size)));
    FPosition = std::min(FPosition, Size());
}

void TMemoryStream::Clear()
{
    FData.clear();
    FPosition = 0;
}

std::vector<uint8_t> TMemoryStream::TakeBytes()
{
    FPosition = 0;
    return std::exchange(FData, {});
}

void TMemoryStream::LoadFromFile(const std::string& fileName)
{
    FData = ReadWholeFile(fileName);
    FPosition = 0;
}

void TMemoryStream::SaveToFile(const std::string& fileName) const
{
    WriteFileAtomically(fileName, FData.data(), FData.size());
}

TFileStream::TFileStream(const std::string& fileName, TMode mode) : FFileName(fileName)
{
    const std::string path = ResolvePath(fileName);
    const char* how = mode == fmOpenRead ? "rb" : mode == fmOpenReadWrite ? "r+b" : "w+b";
    FFile = std::fopen(path.c_str(), how);
    if (!FFile)
    {
        const std::string why = std::strerror(errno);
        if (mode == fmCreate)
            throw EFCreateError("Cannot create file \"" + fileName + "\". " + why);
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + why);
    }
}

TFileStream::~TFileStream()
{
    if (FFile)
        std::fclose(FFile);
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    return int64_t(std::fread(buffer, 1, size_t(count), FFile));
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    return int64_t(std::fwrite(buffer, 1, size_t(count), FFile));
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    const int whence = origin == TSeekOrigin::Begin     ? SEEK_SET
                       : origin == TSeekOrigin::Current ? SEEK_CUR
                                                        : SEEK_END;
    if (fseeko(FFile, off_t(offset), whence) != 0)
        return int64_t(ftello(FFile));
    return int64_t(ftello(FFile));
}

int64_t TFileStream::Size() const
{
    const off_t here = ftello(FFile);
    fseeko(FFile, 0, SEEK_END);
    const off_t size = ftello(FFile);
    fseeko(FFile, here, SEEK_SET);
    return int64_t(size);
}

void TFileStream::SetSize(int64_t size)
{
    std::fflush(FFile);
    if (ftruncate(fileno(FFile), off_t(size)) != 0)
        throw EWriteError("Cannot resize file \"" + FFileName + "\"");
}

int64_t TReadBuffer::Read(void* buffer, int64_t count)
{
    if (count <= 0 || FPosition >= FSize)
        return 0;
    const int64_t n = std::min(count, FSize - FPosition);
    std::memcpy(buffer, FData + FPosition, size_t(n));
    FPosition += n;
    return n;
}

int64_t TReadBuffer::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = origin == TSeekOrigin::Current ? FPosition
                   : origin == TSeekOrigin::End   ? FSize
                                                  : 0;
    FPosition = std::clamp<int64_t>(base + offset, 0, FSize);
    return FPosition;
}

void WriteFileAtomically(const std::string& fileName, const void* data, size_t size)
{
    const std::string target = ResolvePathForWrite(fileName);
    std::string tmp = target + ".tmpXXXXXX";
    const int fd = mkstemp(tmp.data());
    if (fd < 0)
        throw EFCreateError("Cannot create file \"" + fileName + "\". " + std::strerror(errno));
    const auto* p = static_cast<const uint8_t*>(data);
    size_t left = size;
    bool ok = true;
    while (left > 0)
    {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            ok = false;
            break;
        }
        p += n;
        left -= size_t(n);
    }
    ok = ok && ::fsync(fd) == 0;
    // Keep the permissions a fresh file would get, not mkstemp's private 0600.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ok = (::close(fd) == 0) && ok;
    if (!ok || std::rename(tmp.c_str(), target.c_str()) != 0)
    {
        const std::string why = std::strerror(errno);
        ::unlink(tmp.c_str());
        throw EWriteError("Cannot write file \"" + fileName + "\". " + why);
    }
}

std::vector<uint8_t> ReadWholeFile(const std::string& fileName)
{
    TFileStream f(fileName, TFileStream::fmOpenRead);
    const int64_t size = f.Size();
    std::vector<uint8_t> bytes(size_t(std::max<int64_t>(0, size)));
    f.ReadBuffer(bytes.data(), int64_t(bytes.size()));
    return bytes;
}
