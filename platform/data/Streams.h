// Streams as far as BLOB fields and the converters need them: the abstract stream, a memory
// stream, and a file stream. Errors throw EStreamError (a read past the end is no error: it
// returns fewer bytes).
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kvz {

class EStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    // Reads up to count bytes; returns how many were read.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Writes count bytes; returns how many were written.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t Size();
    virtual void SetSize(int64_t size);

    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
    // Throw EStreamError when not every byte could be read or written.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies count bytes from the source's position (count 0: the whole source from its
    // start); returns the number copied.
    int64_t CopyFrom(TStream& source, int64_t count);
    // The bytes from the position to the end.
    std::string ReadAll();
    void WriteString(std::string_view bytes) { WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size())); }
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string bytes) : data_(std::move(bytes)) {}
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }
    void SetSize(int64_t size) override;
    void Clear() { data_.clear(); pos_ = 0; }
    const std::string& Bytes() const { return data_; }
    std::string& Bytes() { return data_; }
    void LoadFromStream(TStream& source);
    void SaveToStream(TStream& dest) { dest.WriteString(data_); }
    void LoadFromFile(const std::filesystem::path& path); // throws FileError
    void SaveToFile(const std::filesystem::path& path);   // durable; throws FileError

private:
    std::string data_;
    int64_t pos_ = 0;
};

enum TFileMode : unsigned {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmCreate = 0xFF00, // creates or truncates, read and write
};

// A file opened directly (no durable replace): for reading files and for scratch output.
// User data that must survive a failure is written through a TMemoryStream and SaveToFile.
class TFileStream : public TStream {
public:
    TFileStream(const std::filesystem::path& path, unsigned mode); // throws EStreamError
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;
    const std::filesystem::path& FileName() const { return path_; }

private:
    std::filesystem::path path_;
    int fd_ = -1;
};

} // namespace kvz
