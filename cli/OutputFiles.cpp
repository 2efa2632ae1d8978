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
    temporary_ = TemporaryName(path_);
    const int descriptor =
        ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    const int openError = errno;
    Attach(descriptor);
    if (descriptor < 0) {
        error_ = openError;
        temporary_.clear();
        return CannotWrite(path_, error_);
    }
    return std::nullopt;
}

std::optional<std::string> WholeFileStream::Failure() const {
    if (error_ == 0) return std::nullopt;
    return CannotWrite(path_, error_);
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

}  // namespace tonalyx::cli
