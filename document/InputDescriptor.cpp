#include "document/InputDescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tonalyx {

InputDescriptor OpenInputDescriptor(const std::string& path) {
    InputDescriptor input;
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status {};
    if (descriptor < 0 || ::fstat(descriptor, &status) != 0) {
        input.error = errno;
        if (descriptor >= 0) ::close(descriptor);
        return input;
    }
    if (S_ISDIR(status.st_mode)) {
        ::close(descriptor);
        input.error = EISDIR;
        return input;
    }
    input.descriptor = descriptor;
    if (!S_ISREG(status.st_mode) && !S_ISBLK(status.st_mode)) {
        input.kind = InputKind::Stream;
        return input;
    }
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        input.error = errno;
        ::close(descriptor);
        input.descriptor = -1;
        return input;
    }
    input.kind = InputKind::File;
    return input;
}

}  // namespace tonalyx
