#include "document/RecentFileList.h"

#include <algorithm>
#include <utility>

namespace tonalyx {

namespace {

constexpr std::string_view kCountValue = "History";

std::string EntryValueName(int index) {
    return std::string(kCountValue) + std::to_string(index);
}

}  // namespace

RecentFileList::RecentFileList(std::unique_ptr<SettingsStore> store, std::string keyPath)
    : store_(std::move(store)), keyPath_(std::move(keyPath)) {}

bool RecentFileList::LoadRecentFiles() {
    const OpenedKey key(*store_, keyPath_);
    if (!key) return false;
    if (!store_->ValueExists(kCountValue)) store_->WriteInteger(kCountValue, 0);
    // A negative count would leave the list empty for good (nothing could ever be added), so it
    // reads as 0 like a value that is not an integer; the next save writes a valid count.
    count_ = std::clamp(store_->ReadInteger(kCountValue).value_or(0), 0, kCapacity);
    for (int i = 0; i < count_; ++i) {
        entries_[static_cast<std::size_t>(i)] = store_->ReadString(EntryValueName(i)).value_or("");
    }
    return true;
}

bool RecentFileList::SaveRecentFiles() {
    const OpenedKey key(*store_, keyPath_);
    if (!key) return false;
    store_->WriteInteger(kCountValue, count_);
    for (int i = 0; i < count_; ++i) {
        store_->WriteString(EntryValueName(i), entries_[static_cast<std::size_t>(i)]);
    }
    return true;
}

void RecentFileList::PutRecentFile(std::string_view path) {
    // A copy first: path may be one of the entries that are about to move.
    std::string front(path);
    const auto listed = entries_.begin() + count_;
    const int found =
        static_cast<int>(std::find(entries_.begin(), listed, front) - entries_.begin());
    for (int j = std::min(found, kCapacity - 1); j >= 1; --j) {
        entries_[static_cast<std::size_t>(j)] =
            std::move(entries_[static_cast<std::size_t>(j - 1)]);
    }
    entries_[0] = std::move(front);
    if (count_ < kCapacity && found == count_) ++count_;
}

bool RecentFileList::AddRecentFile(std::string_view path) {
    LoadRecentFiles();
    PutRecentFile(path);
    return SaveRecentFiles();
}

RecentFileSlot RecentFileList::GetRecentFile(int slot) const {
    slot = std::clamp(slot, 0, kCapacity - 1);
    if (slot < count_) return {true, entries_[static_cast<std::size_t>(slot)]};
    return {false, slot == 0 ? "(Nothing)" : ""};
}

const std::string& RecentFileList::Entry(int index) const {
    static const std::string kNone;
    if (index < 0 || index >= count_) return kNone;
    return entries_[static_cast<std::size_t>(index)];
}

}  // namespace tonalyx
