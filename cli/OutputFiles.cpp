#include "cli/OutputFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tonalyx::cli {

namespace {

struct WriteFault {
    int error = 0;
    std::size_t bytesBeforeFailure = 0;
};

WriteFault gWriteFault;

std::string CannotWrite(const std::string& path, int error) {
    return "cannot write '" + path + "': " + SystemReason(error);
}

// A name in the folder of path that no other writer uses: hidden, with the process id and a
// counter.
std::string TemporaryName(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path target(path);
    std::string name = ".";
    name.append(target.filename().string())
        .append(".")
        .append(std::to_string(getpid()))
        .append(".")
        .append(std::to_string(counter++))
        .append(".tmp");
    return (target.parent_path() / name).string();
}

constexpr std::size_t kStreamBuffer = 1 << 16;

// Writes every byte, going on after interrupted and partial writes; errno says why not. before
// is the number of bytes the file already holds.
bool WriteAll(int descriptor, const std::uint8_t* data, std::size_t size, std::size_t before = 0) {
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

std::string SystemReason(int error) {
    return std::system_category().message(error);
}

WholeFileStream::WholeFileStream(std::string path) : path_(std::move(path)) {}

WholeFileStream::~WholeFileStream() {
    Discard();
}

std::optional<std::string> WholeFileStream::Open() {
    Discard();
    error_ = 0;
    written_ = 0;
    temporary_ = TemporaryName(path_);
    descriptor_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor_ < 0) {
        error_ = errno;
        temporary_.clear();
        return CannotWrite(path_, error_);
    }
    buffer_.resize(kStreamBuffer);
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return std::nullopt;
}

std::optional<std::string> WholeFileStream::Failure() const {
    if (error_ == 0) return std::nullopt;
    return CannotWrite(path_, error_);
}

bool WholeFileStream::Drain() {
    const auto size = static_cast<std::size_t>(pptr() - pbase());
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    if (error_ != 0 || descriptor_ < 0) return false;
    if (!WriteAll(descriptor_, reinterpret_cast<const std::uint8_t*>(buffer_.data()), size,
                  written_)) {
        error_ = errno;
        return false;
    }
    written_ += size;
    return true;
}

WholeFileStream::int_type WholeFileStream::overflow(int_type character) {
    if (!Drain()) return traits_type::eof();
    if (traits_type::eq_int_type(character, traits_type::eof())) return traits_type::not_eof(0);
    *pptr() = traits_type::to_char_type(character);
    pbump(1);
    return character;
}

std::streamsize WholeFileStream::xsputn(const char* data, std::streamsize size) {
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

int WholeFileStream::sync() {
    return Drain() ? 0 : -1;
}

std::optional<std::string> WholeFileStream::Commit() {
    if (descriptor_ < 0 && error_ == 0) error_ = EBADF;
    bool written = Drain() && ::fsync(descriptor_) == 0;
    if (!written && error_ == 0) error_ = errno;
    if (descriptor_ >= 0 && ::close(descriptor_) != 0 && written) {
        written = false;
        error_ = errno;
    }
    descriptor_ = -1;
    if (written && ::rename(temporary_.c_str(), path_.c_str()) == 0) {
        temporary_.clear();
        return std::nullopt;
    }
    if (written) error_ = errno;
    Discard();
    return CannotWrite(path_, error_);
}

void WholeFileStream::Discard() {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
    setp(nullptr, nullptr);
}

std::optional<std::string> WriteFileWhole(const std::string& path,
                                          std::span<const std::uint8_t> bytes) {
    WholeFileStream file(path);
    if (auto failure = file.Open()) return failure;
    file.sputn(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return file.Commit();
}

std::optional<std::string> WriteFileWhole(const std::string& path, std::string_view text) {
    return WriteFileWhole(path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::optional<std::string> CheckOutputFolder(const std::string& path, bool makeFolders) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (makeFolders && !folder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) return CannotWrite(path, error.value());
    }
    const std::string temporary = TemporaryName(path);
    const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) return CannotWrite(path, errno);
    ::close(descriptor);
    ::unlink(temporary.c_str());
    return std::nullopt;
}

ScopedWriteFault::ScopedWriteFault(int error, std::size_t bytesBeforeFailure) {
    gWriteFault = {error, bytesBeforeFailure};
}

ScopedWriteFault::~ScopedWriteFault() {
    gWriteFault = {};
}

}  // namespace tonalyx::cli
