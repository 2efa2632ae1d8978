#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "requests/DescriptorBuffer.h"
#include "requests/OutputTarget.h"

namespace tonalyx::requests {

// The system's words for an errno value ("No space left on device").
std::string SystemReason(int error);

// Writes the bytes to path as WholeFileStream writes them: a file whole or not at all.
std::optional<std::string> WriteFileWhole(const std::string& path,
                                          std::span<const std::uint8_t> bytes);
std::optional<std::string> WriteFileWhole(const std::string& path, std::string_view text);

// An output written as the results come, so that a long table is never held in memory. A file
// (new, or a regular file, reached through its symbolic links) is written whole or not at all:
// the bytes go to a new temporary file in its folder, and Commit flushes it to the disk, gives
// it the old file's mode, closes it and renames it over the file. Until then the old file is
// left as it was; without Commit (a failure, a signal, or the object destroyed first) the
// temporary file is removed. A character device, a FIFO or a descriptor named as /dev/stdout
// or /dev/fd/N is never replaced: it is written directly. Messages name the path and the
// system's reason: "cannot write 'out.png': No space left on device".
class WholeFileStream : public DescriptorBuffer {
public:
    explicit WholeFileStream(std::string path);
    ~WholeFileStream() override;

    // Finds what the path leads to and opens it (a temporary file for a file).
    std::optional<std::string> Open();
    // The first failed write so far; none while every write went well.
    std::optional<std::string> Failure() const;
    // How many bytes have been written so far, buffered ones included.
    std::uint64_t Size() const;
    // Takes back everything written after the first size bytes; false when the output is a
    // stream, whose bytes are gone already.
    bool TruncateTo(std::uint64_t size);
    // Writes what is buffered and puts the file in place (a stream: closes it).
    std::optional<std::string> Commit();

private:
    void Discard();

    std::string path_;
    OutputTarget target_;
    std::string temporary_;
};

// Checks, before long work, that the output at path can be written: a file can be created in
// the folder that will hold it (tried by creating and removing an empty temporary file there;
// with makeFolders the missing folders are created first), or the device, pipe or descriptor
// it names is there. Returns the message, as WholeFileStream words it, or none. For a file,
// temporaryFolder (when given) receives the folder its temporary file will be made in.
std::optional<std::string> CheckOutputFolder(const std::string& path, bool makeFolders,
                                             std::optional<std::string>* temporaryFolder = nullptr);

}  // namespace tonalyx::requests
