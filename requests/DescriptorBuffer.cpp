#include "requests/DescriptorBuffer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tonalyx::requests {

namespace {

constexpr std::size_t kBufferSize = 1 << 16;

struct WriteFault {
    int error = 0;
    std::size_t bytesBeforeFailure = 0;
};

WriteFault gWriteFault;

// Writes every byte, going on after interrupted and partial writes; errno says why not. before
// is the number of bytes the descriptor has taken already.
bool WriteAll(int descriptor, const char* data, std::size_t size, std::size_t before) {
    std::size_t written = 0;
    while (written < size) {
        std::size_t chunk = size - written;
        if (gWriteFault.error != 0) {
            if (before + written >= gWriteFault.bytesBeforeFailure) {
                errno = gWriteFault.error;
                return false;
            }
            chunk = std::min(chunk, gWriteFault.bytesBeforeFailure - before - written);
        }
        const ssize_t result = ::write(descriptor, data + written, chunk);
        if (result < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        written += static_cast<std::size_t>(result);
    }
    return true;
}

}  // namespace

void DescriptorBuffer::Attach(int descriptor) {
    descriptor_ = descriptor;
    error_ = 0;
    written_ = 0;
    buffer_.resize(kBufferSize);
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

bool DescriptorBuffer::Drain() {
    const auto size = static_cast<std::size_t>(pptr() - pbase());
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    if (error_ != 0) return false;
    if (size == 0) return true;
    if (descriptor_ < 0) {
        error_ = EBADF;
        return false;
    }
    if (!WriteAll(descriptor_, buffer_.data(), size, written_)) {
        error_ = errno;
        return false;
    }
    written_ += size;
    return true;
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type character) {
    if (!Drain()) return traits_type::eof();
    if (traits_type::eq_int_type(character, traits_type::eof())) return traits_type::not_eof(0);
    *pptr() = traits_type::to_char_type(character);
    pbump(1);
    return character;
}

std::streamsize DescriptorBuffer::xsputn(const char* data, std::streamsize size) {
    std::streamsize done = 0;
    while (done < size) {
        if (pptr() == epptr() && !Drain()) return done;
        const std::streamsize room = std::min<std::streamsize>(epptr() - pptr(), size - done);
        std::memcpy(pptr(), data + done, static_cast<std::size_t>(room));
        pbump(static_cast<int>(room));
        done += room;
    }
    return done;
}

int DescriptorBuffer::sync() {
    return Drain() ? 0 : -1;
}

ScopedWriteFault::ScopedWriteFault(int error, std::size_t bytesBeforeFailure) {
    gWriteFault = {error, bytesBeforeFailure};
}

ScopedWriteFault::~ScopedWriteFault() {
    gWriteFault = {};
}

}  // namespace tonalyx::requests
