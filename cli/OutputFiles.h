#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/DescriptorBuffer.h"

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

// A file written as the results come and put in place whole, so that a long table is never
// held in memory: the bytes go to a new temporary file in the folder of path; Commit flushes
// it to the disk, closes it and renames it over path. Until then a file at path is left as it
// was; without Commit (a failure, or the object destroyed first) the temporary file is
// removed. Messages are worded as WriteFileWhole words them.
class WholeFileStream : public DescriptorBuffer {
public:
    explicit WholeFileStream(std::string path);
    ~WholeFileStream() override;

    // Creates the temporary file.
    std::optional<std::string> Open();
    // The first failed write so far; none while every write went well.
    std::optional<std::string> Failure() const;
    // Writes what is buffered, flushes the file to the disk, closes it and renames it.
    std::optional<std::string> Commit();

private:
    void Discard();

    std::string path_;
    std::string temporary_;
};

// Checks, before long work, that a file can be created in the folder that will hold path, by
// creating and removing an empty temporary file there; with makeFolders the missing folders
// are created first. Returns the message, as WriteFileWhole words it, or none.
std::optional<std::string> CheckOutputFolder(const std::string& path, bool makeFolders);

}  // namespace tonalyx::cli
