#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tonalyx {

// A readable, seekable run of bytes: the wave reader works on this so that a file on disk and
// a buffer in memory (tests, fuzzing, a stream read from a pipe) take the same path through
// the code.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to count bytes at the current position and returns how many came.
    virtual std::size_t Read(void* destination, std::size_t count) = 0;
    // Moves to an absolute position in 0 .. Size(); false (and no move) outside that range.
    virtual bool Seek(int64_t position) = 0;
    virtual int64_t Position() const = 0;
    virtual int64_t Size() const = 0;
    // True when the bytes are the start of a longer stream that was read only up to a limit.
    virtual bool Truncated() const { return false; }
};

class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    std::size_t Read(void* destination, std::size_t count) override;
    bool Seek(int64_t position) override;
    int64_t Position() const override { return static_cast<int64_t>(position_); }
    int64_t Size() const override { return static_cast<int64_t>(bytes_.size()); }

private:
    std::span<const uint8_t> bytes_;
    std::size_t position_ = 0;
};

// Bytes that the source holds itself: a stream read into memory.
class BufferByteSource final : public ByteSource {
public:
    BufferByteSource(std::vector<uint8_t> bytes, bool truncated)
        : bytes_(std::move(bytes)), view_(bytes_), truncated_(truncated) {}

    std::size_t Read(void* destination, std::size_t count) override {
        return view_.Read(destination, count);
    }
    bool Seek(int64_t position) override { return view_.Seek(position); }
    int64_t Position() const override { return view_.Position(); }
    int64_t Size() const override { return view_.Size(); }
    bool Truncated() const override { return truncated_; }

private:
    std::vector<uint8_t> bytes_;
    MemoryByteSource view_;
    bool truncated_;
};

// The bytes of another source with a few of them replaced: a header field rewritten for a
// decoder that would otherwise refuse the file.
class PatchedByteSource final : public ByteSource {
public:
    PatchedByteSource(std::unique_ptr<ByteSource> bytes, int64_t offset,
                      std::vector<uint8_t> replacement)
        : bytes_(std::move(bytes)), offset_(offset), replacement_(std::move(replacement)) {}

    std::size_t Read(void* destination, std::size_t count) override;
    bool Seek(int64_t position) override { return bytes_->Seek(position); }
    int64_t Position() const override { return bytes_->Position(); }
    int64_t Size() const override { return bytes_->Size(); }
    bool Truncated() const override { return bytes_->Truncated(); }

private:
    std::unique_ptr<ByteSource> bytes_;
    int64_t offset_;
    std::vector<uint8_t> replacement_;
};

// A regular file opened for reading; closed when the object goes, whatever path the caller
// takes.
class FileByteSource final : public ByteSource {
public:
    // Opens the file without waiting on it: a FIFO that no process writes to does not hold the
    // call up. Only a file that can be read at will is taken; a folder, a pipe or a device is
    // not (Error() says which).
    explicit FileByteSource(const std::string& path);
    // Takes over a descriptor open for reading on a regular file or a block device.
    explicit FileByteSource(int descriptor);

    bool IsOpen() const { return file_ != nullptr; }
    // The system's error number when the file is not open: why the open failed, EISDIR for a
    // folder, ESPIPE for a pipe, a socket or a character device.
    int Error() const { return error_; }
    std::size_t Read(void* destination, std::size_t count) override;
    bool Seek(int64_t position) override;
    int64_t Position() const override { return position_; }
    int64_t Size() const override { return size_; }

private:
    void Adopt(int descriptor);

    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    int64_t size_ = 0;
    int64_t position_ = 0;
    int error_ = 0;
};

}  // namespace tonalyx
