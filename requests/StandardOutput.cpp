#include "requests/StandardOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "requests/OutputFiles.h"

namespace tonalyx::requests {

namespace {

bool Closed(int descriptor) {
    return ::fcntl(descriptor, F_GETFD) == -1 && errno == EBADF;
}

// /dev/null on a closed descriptor: open takes the lowest free number, which is descriptor
// when every lower one is open; dup2 makes sure of it.
void FillWithNull(int descriptor) {
    const int placeholder = ::open("/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (placeholder >= 0 && placeholder != descriptor) {
        ::dup2(placeholder, descriptor);
        ::close(placeholder);
    }
}

}  // namespace

ClosedDescriptors OpenClosedStandardDescriptors() {
    ClosedDescriptors closed;
    closed.input = Closed(STDIN_FILENO);
    if (closed.input) FillWithNull(STDIN_FILENO);
    closed.output = Closed(STDOUT_FILENO);
    if (closed.output) FillWithNull(STDOUT_FILENO);
    closed.error = Closed(STDERR_FILENO);
    if (closed.error) FillWithNull(STDERR_FILENO);
    return closed;
}

DescriptorOutput::DescriptorOutput(int descriptor, bool closedAtStart) {
    Attach(closedAtStart ? -1 : descriptor);
}

DescriptorOutput::~DescriptorOutput() {
    Close();
}

std::optional<std::string> DescriptorOutput::Close() {
    Drain();
    if (descriptor_ >= 0) {
        if (::close(descriptor_) != 0 && error_ == 0 && errno != EINTR) error_ = errno;
        descriptor_ = -1;
    }
    if (error_ == 0) return std::nullopt;
    return SystemReason(error_);
}

}  // namespace tonalyx::requests
