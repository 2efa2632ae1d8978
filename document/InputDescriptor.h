#pragma once

#include <string>

namespace tonalyx {

// What an input path names, once it is open.
enum class InputKind {
    Failed,  // not opened: error says why
    File,    // a regular file or a block device, read at will
    Stream,  // a pipe, a FIFO, a socket or a character device: read once, in order
};

struct InputDescriptor {
    InputKind kind = InputKind::Failed;
    int descriptor = -1;  // open for reading (closed by whoever takes it); -1 when Failed
    int error = 0;        // the system's error number when Failed (EISDIR for a folder)
};

// Opens path for reading without waiting: a FIFO that no process writes to does not hold the
// open up. A file comes back with blocking reads again; a stream stays non-blocking, so that
// its reader decides how long to wait for a writer.
InputDescriptor OpenInputDescriptor(const std::string& path);

}  // namespace tonalyx
