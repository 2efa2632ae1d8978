#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "settings/SettingsStore.h"

namespace tonalyx {

// What one slot of the Reopen menu shows.
struct RecentFileSlot {
    bool enabled = false;
    std::string text;

    bool operator==(const RecentFileSlot&) const = default;
};

// The most recently opened sound files, newest first, kept in the program's key of the
// per-user settings store ("History" = count, "History0" ... "History7" = paths). The list is
// read back from the store before every change, so that running copies of the program share
// one list: each open merges into whatever the store holds at that moment.
class RecentFileList {
public:
    static constexpr int kCapacity = 8;

    RecentFileList(std::unique_ptr<SettingsStore> store, std::string keyPath);

    // Refills the list from the store, writing "History" = 0 when it is missing. A stored
    // count above 8 reads as 8; a negative count, or one that is not an integer, reads as 0.
    // False, with the list unchanged, when the key can be neither opened nor created.
    bool LoadRecentFiles();
    // Writes the count and the first count entries; values of higher indexes are left alone.
    bool SaveRecentFiles();
    // Moves or inserts path at the front, in memory only. Paths compare byte for byte.
    void PutRecentFile(std::string_view path);
    // Load, put, save; false when the list could not be stored.
    bool AddRecentFile(std::string_view path);
    // Slot 0 to 7 (clamped): an entry, enabled; else "(Nothing)" in slot 0 and "" elsewhere.
    RecentFileSlot GetRecentFile(int slot) const;

    int Count() const { return count_; }
    // An entry as last loaded or put; "" at and beyond the count.
    const std::string& Entry(int index) const;

private:
    std::unique_ptr<SettingsStore> store_;
    int count_ = 0;
    std::string keyPath_;
    std::array<std::string, kCapacity> entries_;
};

}  // namespace tonalyx
