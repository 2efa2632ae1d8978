#include "app/FileIdentity.h"

#include <sys/stat.h>

namespace tonalyx {

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0) return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

}  // namespace tonalyx
