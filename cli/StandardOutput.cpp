#include "cli/StandardOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "cli/OutputFiles.h"

namespace tonalyx::cli {

DescriptorOutput::DescriptorOutput(int descriptor) {
    Attach(descriptor);
    if (::fcntl(descriptor, F_GETFD) == -1) {
        error_ = errno;
        const int placeholder = ::open("/dev/null", O_WRONLY);
        if (placeholder >= 0 && placeholder != descriptor) {
            ::dup2(placeholder, descriptor);
            ::close(placeholder);
        }
    }
}

DescriptorOutput::~DescriptorOutput() {
    Close();
}

std::optional<std::string> DescriptorOutput::Close() {
    if (descriptor_ >= 0) {
        Drain();
        if (::close(descriptor_) != 0 && error_ == 0 && errno != EINTR) error_ = errno;
        descriptor_ = -1;
    }
    if (error_ == 0) return std::nullopt;
    return SystemReason(error_);
}

}  // namespace tonalyx::cli
