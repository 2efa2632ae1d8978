#include "document/ByteSource.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace tonalyx {

std::size_t MemoryByteSource::Read(void* destination, std::size_t count) {
    const std::size_t n = std::min(count, bytes_.size() - position_);
    if (n > 0) std::memcpy(destination, bytes_.data() + position_, n);
    position_ += n;
    return n;
}

bool MemoryByteSource::Seek(int64_t position) {
    if (position < 0 || position > Size()) return false;
    position_ = static_cast<std::size_t>(position);
    return true;
}

FileByteSource::FileByteSource(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
    if (!file_) return;
    // Some systems open a folder for reading; it is no file to read from.
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        file_.reset();
        return;
    }
    // The size bounds every seek and read, so a header that points past the end is caught
    // before any buffer is sized from it.
    if (std::fseek(file_.get(), 0, SEEK_END) == 0) {
        const long end = std::ftell(file_.get());
        if (end > 0) size_ = end;
    }
    if (std::fseek(file_.get(), 0, SEEK_SET) != 0) file_.reset();
}

std::size_t FileByteSource::Read(void* destination, std::size_t count) {
    if (!file_) return 0;
    const std::size_t n = std::fread(destination, 1, count, file_.get());
    position_ += static_cast<int64_t>(n);
    return n;
}

bool FileByteSource::Seek(int64_t position) {
    if (!file_ || position < 0 || position > size_) return false;
    if (std::fseek(file_.get(), static_cast<long>(position), SEEK_SET) != 0) return false;
    position_ = position;
    return true;
}

}  // namespace tonalyx
