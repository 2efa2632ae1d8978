#include "requests/OutputTarget.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <string_view>

#include "requests/OutputFiles.h"

namespace tonalyx::requests {

namespace {

constexpr int kMostLinks = 40;  // as the kernel's own limit on links in one lookup

// The descriptor number a name stands for: /dev/fd/N, /proc/self/fd/N, /proc/PID/fd/N of this
// process, /dev/stdout and /dev/stderr; -1 for other names.
int DescriptorOfName(const std::string& path) {
    const std::string normal = std::filesystem::path(path).lexically_normal().string();
    if (normal == "/dev/stdout") return STDOUT_FILENO;
    if (normal == "/dev/stderr") return STDERR_FILENO;
    const std::string own = "/proc/" + std::to_string(getpid()) + "/fd/";
    for (const std::string_view prefix :
         {std::string_view("/dev/fd/"), std::string_view("/proc/self/fd/"),
          std::string_view(own)}) {
        if (normal.rfind(prefix, 0) != 0) continue;
        const std::string_view number = std::string_view(normal).substr(prefix.size());
        int descriptor = -1;
        const auto [end, error] =
            std::from_chars(number.data(), number.data() + number.size(), descriptor);
        if (error == std::errc() && end == number.data() + number.size()) return descriptor;
    }
    return -1;
}

std::string CannotWrite(const std::string& path, const std::string& why) {
    return "cannot write '" + path + "': " + why;
}

}  // namespace

std::optional<std::string> FindOutputTarget(const std::string& path, OutputTarget& target) {
    std::filesystem::path file(path);
    for (int links = 0; links <= kMostLinks; ++links) {
        target = {};
        target.file = file.string();
        target.descriptor = DescriptorOfName(target.file);
        if (target.descriptor >= 0) {
            target.kind = OutputTarget::Kind::Descriptor;
            return std::nullopt;
        }
        struct stat status {};
        if (::lstat(target.file.c_str(), &status) != 0) {
            if (errno == ENOENT) return std::nullopt;  // a new file, or a link to one
            return CannotWrite(path, SystemReason(errno));
        }
        if (S_ISLNK(status.st_mode)) {
            std::error_code error;
            const std::filesystem::path link = std::filesystem::read_symlink(file, error);
            if (error) return CannotWrite(path, SystemReason(error.value()));
            file = link.is_absolute() ? link : file.parent_path() / link;
            continue;
        }
        if (S_ISREG(status.st_mode)) {
            target.kind = OutputTarget::Kind::RegularFile;
            target.mode = status.st_mode & 07777;
        } else if (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode)) {
            target.kind = OutputTarget::Kind::Stream;
        } else if (S_ISDIR(status.st_mode)) {
            return CannotWrite(path, SystemReason(EISDIR));
        } else if (S_ISBLK(status.st_mode)) {
            return CannotWrite(path, "it is a block device");
        } else {
            return CannotWrite(path, "it is neither a file, a device nor a pipe");
        }
        return std::nullopt;
    }
    return CannotWrite(path, SystemReason(ELOOP));
}

}  // namespace tonalyx::requests
