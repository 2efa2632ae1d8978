#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tonalyx::cli {

// The system's words for an errno value ("No space left on device").
std::string SystemReason(int error);

// Writes the bytes to path whole or not at all: into a new temporary file in the same folder,
// flushed to the disk and closed, then renamed over path. On any failure the temporary file is
// removed, a file already at path is left as it was, and the message names the path and the
// system's reason: "cannot write 'out.png': No space left on device".
std::optional<std::string> WriteFileWhole(const std::string& path,
                                          std::span<const std::uint8_t> bytes);
std::optional<std::string> WriteFileWhole(const std::string& path, std::string_view text);

// Checks, before long work, that a file can be created in the folder that will hold path, by
// creating and removing an empty temporary file there; with makeFolders the missing folders
// are created first. Returns the message, as WriteFileWhole words it, or none.
std::optional<std::string> CheckOutputFolder(const std::string& path, bool makeFolders);

// Makes the writes of WriteFileWhole fail with the errno value given once that many bytes have
// been written, for as long as it lives: a full disk or a failing device, for the tests.
class ScopedWriteFault {
public:
    ScopedWriteFault(int error, std::size_t bytesBeforeFailure);
    ~ScopedWriteFault();
    ScopedWriteFault(const ScopedWriteFault&) = delete;
    ScopedWriteFault& operator=(const ScopedWriteFault&) = delete;
};

}  // namespace tonalyx::cli
