#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

namespace tonalyx {

// A readable, seekable run of bytes: the wave reader works on this so that a file on disk and
// a buffer in memory (tests, fuzzing) take the same path through the code.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to count bytes at the current position and returns how many came.
    virtual std::size_t Read(void* destination, std::size_t count) = 0;
    // Moves to an absolute position in 0 .. Size(); false (and no move) outside that range.
    virtual bool Seek(int64_t position) = 0;
    virtual int64_t Position() const = 0;
    virtual int64_t Size() const = 0;
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

// A file opened for reading; closed when the object goes, whatever path the caller takes.
class FileByteSource final : public ByteSource {
public:
    explicit FileByteSource(const std::string& path);

    bool IsOpen() const { return file_ != nullptr; }
    std::size_t Read(void* destination, std::size_t count) override;
    bool Seek(int64_t position) override;
    int64_t Position() const override { return position_; }
    int64_t Size() const override { return size_; }

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    int64_t size_ = 0;
    int64_t position_ = 0;
};

}  // namespace tonalyx
