#include "cli/StandardOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/OutputFiles.h"

namespace tonalyx::cli {

namespace {

constexpr std::size_t kBufferSize = 1 << 16;

}  // namespace

DescriptorOutput::DescriptorOutput(int descriptor) : descriptor_(descriptor), buffer_(kBufferSize) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    if (::fcntl(descriptor_, F_GETFD) == -1) {
        error_ = errno;
        const int placeholder = ::open("/dev/null", O_WRONLY);
        if (placeholder >= 0 && placeholder != descriptor_) {
            ::dup2(placeholder, descriptor_);
            ::close(placeholder);
        }
    }
}

DescriptorOutput::~DescriptorOutput() {
    Close();
}

bool DescriptorOutput::WriteAll(const char* data, std::size_t size) {
    while (size > 0 && error_ == 0) {
        const ssize_t written = ::write(descriptor_, data, size);
        if (written < 0) {
            if (errno != EINTR) error_ = errno;
            continue;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return error_ == 0;
}

bool DescriptorOutput::Drain() {
    const bool written = WriteAll(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return written;
}

DescriptorOutput::int_type DescriptorOutput::overflow(int_type character) {
    if (closed_ || !Drain()) return traits_type::eof();
    if (traits_type::eq_int_type(character, traits_type::eof())) return traits_type::not_eof(0);
    *pptr() = traits_type::to_char_type(character);
    pbump(1);
    return character;
}

std::streamsize DescriptorOutput::xsputn(const char* data, std::streamsize size) {
    if (closed_) return 0;
    const auto count = static_cast<std::size_t>(size);
    if (count <= static_cast<std::size_t>(epptr() - pptr())) {
        std::memcpy(pptr(), data, count);
        pbump(static_cast<int>(size));
        return size;
    }
    if (!Drain() || !WriteAll(data, count)) return 0;
    return size;
}

int DescriptorOutput::sync() {
    return !closed_ && Drain() ? 0 : -1;
}

std::optional<std::string> DescriptorOutput::Close() {
    if (!closed_) {
        Drain();
        closed_ = true;
        if (::close(descriptor_) != 0 && error_ == 0 && errno != EINTR) error_ = errno;
    }
    if (error_ == 0) return std::nullopt;
    return SystemReason(error_);
}

}  // namespace tonalyx::cli
