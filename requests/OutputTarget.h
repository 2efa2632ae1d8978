#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace tonalyx::requests {

// What an output name leads to, found before anything is written to it.
struct OutputTarget {
    enum class Kind {
        NewFile,      // nothing there yet: a new regular file is made
        RegularFile,  // a regular file, replaced whole; its mode is kept
        Stream,       // a character device or a FIFO: written directly, never replaced
        Descriptor,   // /dev/stdout, /dev/fd/N and the like: the descriptor this process holds
    };
    Kind kind = Kind::NewFile;
    // The file that is written: the name with its symbolic links followed, so that a link is
    // kept and its target written.
    std::string file;
    mode_t mode = 0;      // RegularFile: the permission bits to keep
    int descriptor = -1;  // Descriptor: the descriptor the name stands for
};

// Follows the links of path and says what is there. Returns the message ("cannot write 'x':
// it is a block device") for what no output may be written to: a folder, a block device, a
// socket, a loop of links.
std::optional<std::string> FindOutputTarget(const std::string& path, OutputTarget& target);

}  // namespace tonalyx::requests
