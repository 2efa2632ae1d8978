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

// Writes every byte, going on after interrupted and partial writes; errno says why not.
bool WriteAll(int descriptor, const std::uint8_t* data, std::size_t size) {
    std::size_t written = 0;
    while (written < size) {
        std::size_t chunk = size - written;
        if (gWriteFault.error != 0) {
            if (written >= gWriteFault.bytesBeforeFailure) {
                errno = gWriteFault.error;
                return false;
            }
            chunk = std::min(chunk, gWriteFault.bytesBeforeFailure - written);
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

std::optional<std::string> WriteFileWhole(const std::string& path,
                                          std::span<const std::uint8_t> bytes) {
    const std::string temporary = TemporaryName(path);
    const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) return CannotWrite(path, errno);
    bool written = WriteAll(descriptor, bytes.data(), bytes.size()) && ::fsync(descriptor) == 0;
    int error = errno;
    if (::close(descriptor) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && ::rename(temporary.c_str(), path.c_str()) == 0) return std::nullopt;
    if (written) error = errno;
    ::unlink(temporary.c_str());
    return CannotWrite(path, error);
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
