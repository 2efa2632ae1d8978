#include "requests/OutputFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "requests/TemporaryFiles.h"

namespace tonalyx::requests {

namespace {

std::string CannotWrite(const std::string& path, int error) {
    return "cannot write '" + path + "': " + SystemReason(error);
}

std::string FolderOf(const std::string& file) {
    return std::filesystem::path(file).parent_path().string();
}

bool IsFile(const OutputTarget& target) {
    return target.kind == OutputTarget::Kind::NewFile ||
           target.kind == OutputTarget::Kind::RegularFile;
}

// A new temporary file in folder, registered for removal on a signal; -1 with errno set when
// none can be made.
int CreateTemporary(const std::string& folder, std::string& name) {
    name = TemporaryName(folder);
    RegisterTemporary(name);
    const int descriptor = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        const int error = errno;
        ForgetTemporary(name);
        name.clear();
        errno = error;
    }
    return descriptor;
}

// The descriptor a stream or a named descriptor is written through; -1 with errno set.
int OpenStream(const OutputTarget& target) {
    if (target.kind == OutputTarget::Kind::Descriptor) {
        return ::fcntl(target.descriptor, F_DUPFD_CLOEXEC, 0);
    }
    return ::open(target.file.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
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
    if (auto refused = FindOutputTarget(path_, target_)) {
        Attach(-1);
        error_ = EINVAL;
        return refused;
    }
    const int descriptor =
        IsFile(target_) ? CreateTemporary(FolderOf(target_.file), temporary_) : OpenStream(target_);
    const int openError = errno;
    Attach(descriptor);
    if (descriptor < 0) {
        error_ = openError;
        return CannotWrite(path_, error_);
    }
    // An existing file keeps its permissions; the descriptor stays writable whatever they are.
    if (target_.kind == OutputTarget::Kind::RegularFile &&
        ::fchmod(descriptor, target_.mode) != 0) {
        const int error = errno;
        Discard();
        error_ = error;
        return CannotWrite(path_, error_);
    }
    return std::nullopt;
}

std::optional<std::string> WholeFileStream::Failure() const {
    if (error_ == 0) return std::nullopt;
    return CannotWrite(path_, error_);
}

std::uint64_t WholeFileStream::Size() const {
    return written_ + static_cast<std::uint64_t>(pptr() - pbase());
}

bool WholeFileStream::TruncateTo(std::uint64_t size) {
    if (temporary_.empty() || size > Size()) return false;
    if (!Drain()) return false;
    const auto offset = static_cast<off_t>(size);
    if (::ftruncate(descriptor_, offset) != 0 || ::lseek(descriptor_, offset, SEEK_SET) < 0) {
        error_ = errno;
        return false;
    }
    written_ = size;
    return true;
}

std::optional<std::string> WholeFileStream::Commit() {
    if (descriptor_ < 0 && error_ == 0) error_ = EBADF;
    const bool file = !temporary_.empty();
    // fsync is for files: a pipe or a terminal refuses it.
    bool written = Drain() && (!file || ::fsync(descriptor_) == 0);
    if (!written && error_ == 0) error_ = errno;
    if (descriptor_ >= 0 && ::close(descriptor_) != 0 && written && errno != EINTR) {
        written = false;
        error_ = errno;
    }
    descriptor_ = -1;
    if (written && !file) return std::nullopt;
    if (written && ::rename(temporary_.c_str(), target_.file.c_str()) == 0) {
        ForgetTemporary(temporary_);
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
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        ForgetTemporary(temporary_);
    }
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

std::optional<std::string> CheckOutputFolder(const std::string& path, bool makeFolders,
                                             std::optional<std::string>* temporaryFolder) {
    OutputTarget target;
    if (auto refused = FindOutputTarget(path, target)) return refused;
    if (!IsFile(target)) {
        if (target.kind == OutputTarget::Kind::Descriptor &&
            ::fcntl(target.descriptor, F_GETFD) == -1) {
            return CannotWrite(path, errno);
        }
        return std::nullopt;
    }
    const std::string folder = FolderOf(target.file);
    if (makeFolders && !folder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) return CannotWrite(path, error.value());
    }
    std::string temporary;
    const int descriptor = CreateTemporary(folder, temporary);
    if (descriptor < 0) return CannotWrite(path, errno);
    ::close(descriptor);
    ::unlink(temporary.c_str());
    ForgetTemporary(temporary);
    if (temporaryFolder) *temporaryFolder = folder;
    return std::nullopt;
}

}  // namespace tonalyx::requests
