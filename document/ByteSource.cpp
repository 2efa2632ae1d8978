#include "document/ByteSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "document/InputDescriptor.h"

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

std::size_t PatchedByteSource::Read(void* destination, std::size_t count) {
    const int64_t start = bytes_->Position();
    const std::size_t got = bytes_->Read(destination, count);
    // The part of [start, start + got) that the replacement covers.
    const int64_t end = start + static_cast<int64_t>(got);
    const int64_t from = std::max(start, offset_);
    const int64_t to = std::min(end, offset_ + static_cast<int64_t>(replacement_.size()));
    if (from < to) {
        std::memcpy(static_cast<uint8_t*>(destination) + (from - start),
                    replacement_.data() + (from - offset_), static_cast<std::size_t>(to - from));
    }
    return got;
}

FileByteSource::FileByteSource(const std::string& path) {
    const InputDescriptor input = OpenInputDescriptor(path);
    if (input.kind == InputKind::File) {
        Adopt(input.descriptor);
        return;
    }
    if (input.descriptor >= 0) ::close(input.descriptor);
    error_ = input.kind == InputKind::Stream ? ESPIPE : input.error;
}

FileByteSource::FileByteSource(int descriptor) {
    Adopt(descriptor);
}

void FileByteSource::Adopt(int descriptor) {
    file_.reset(::fdopen(descriptor, "rb"));
    if (!file_) {
        error_ = errno;
        ::close(descriptor);
        return;
    }
    // The size bounds every seek and read, so a header that points past the end is caught
    // before any buffer is sized from it.
    if (::fseeko(file_.get(), 0, SEEK_END) == 0)
        size_ = std::max<int64_t>(0, ::ftello(file_.get()));
    if (::fseeko(file_.get(), 0, SEEK_SET) != 0) {
        error_ = errno;
        file_.reset();
    }
}

std::size_t FileByteSource::Read(void* destination, std::size_t count) {
    if (!file_) return 0;
    const std::size_t n = std::fread(destination, 1, count, file_.get());
    position_ += static_cast<int64_t>(n);
    return n;
}

bool FileByteSource::Seek(int64_t position) {
    if (!file_ || position < 0 || position > size_) return false;
    if (::fseeko(file_.get(), static_cast<off_t>(position), SEEK_SET) != 0) return false;
    position_ = position;
    return true;
}

}  // namespace tonalyx
