#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace tonalyx {

// A file as the file system knows it, whatever name reaches it: its device and inode. Two
// paths name one file exactly when their identities are equal, through "..", doubled slashes,
// relative and absolute spellings, symbolic links and hard links alike.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;

    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file at path, symbolic links followed; none when nothing is there (or
// it cannot be looked at).
std::optional<FileIdentity> IdentityOf(const std::string& path);

}  // namespace tonalyx
