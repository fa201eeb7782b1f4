#include "platform/data/Streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "platform/rtl/Files.h"

namespace kvz {

int64_t TStream::Size() {
    int64_t pos = Seek(0, TSeekOrigin::soCurrent);
    int64_t end = Seek(0, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return end;
}

void TStream::SetSize(int64_t) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count > 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count > 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    char buf[65536];
    int64_t done = 0;
    while (done < count) {
        int64_t n = std::min<int64_t>(sizeof buf, count - done);
        source.ReadBuffer(buf, n);
        WriteBuffer(buf, n);
        done += n;
    }
    return done;
}

std::string TStream::ReadAll() {
    std::string out;
    char buf[65536];
    for (;;) {
        int64_t n = Read(buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    return out;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    int64_t avail = static_cast<int64_t>(data_.size()) - pos_;
    if (count <= 0 || avail <= 0) return 0;
    int64_t n = std::min(count, avail);
    std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
    pos_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0 || pos_ < 0) return 0;
    size_t end = static_cast<size_t>(pos_ + count);
    if (end > data_.size()) data_.resize(end, '\0');
    std::memcpy(data_.data() + pos_, buffer, static_cast<size_t>(count));
    pos_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    switch (origin) {
    case TSeekOrigin::soBeginning: pos_ = offset; break;
    case TSeekOrigin::soCurrent: pos_ += offset; break;
    case TSeekOrigin::soEnd: pos_ = static_cast<int64_t>(data_.size()) + offset; break;
    }
    return pos_;
}

void TMemoryStream::SetSize(int64_t size) {
    data_.resize(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
    if (pos_ > size) pos_ = size;
}

void TMemoryStream::LoadFromStream(TStream& source) {
    source.SetPosition(0);
    data_ = source.ReadAll();
    pos_ = 0;
}

void TMemoryStream::LoadFromFile(const std::filesystem::path& path) {
    data_ = ReadWholeFile(path);
    pos_ = 0;
}

void TMemoryStream::SaveToFile(const std::filesystem::path& path) { WriteFileDurably(path, data_); }

TFileStream::TFileStream(const std::filesystem::path& path, unsigned mode) : path_(path) {
    int flags;
    if (mode == fmCreate)
        flags = O_RDWR | O_CREAT | O_TRUNC;
    else if ((mode & 3) == fmOpenWrite)
        flags = O_WRONLY;
    else if ((mode & 3) == fmOpenReadWrite)
        flags = O_RDWR;
    else
        flags = O_RDONLY;
    fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd_ < 0)
        throw EStreamError((mode == fmCreate ? "Cannot create file \"" : "Cannot open file \"") + path.string() +
                           "\". " + std::strerror(errno));
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
    int64_t done = 0;
    while (done < count) {
        ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw EStreamError("Error reading \"" + path_.string() + "\": " + std::strerror(errno));
        if (n == 0) break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    int64_t done = 0;
    while (done < count) {
        ssize_t n = ::write(fd_, static_cast<const char*>(buffer) + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw EStreamError("Error writing \"" + path_.string() + "\": " + std::strerror(errno));
        done += n;
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(fd_, offset, whence);
    if (r < 0) throw EStreamError("Error seeking in \"" + path_.string() + "\": " + std::strerror(errno));
    return r;
}

void TFileStream::SetSize(int64_t size) {
    if (::ftruncate(fd_, size) != 0)
        throw EStreamError("Error sizing \"" + path_.string() + "\": " + std::strerror(errno));
}

} // namespace kvz
