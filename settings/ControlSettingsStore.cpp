#include "settings/ControlSettingsStore.h"

#include <utility>

namespace tonalyx {

namespace {

constexpr std::string_view kVersionValue = "Version";
constexpr std::string_view kOptionsValue = "Options";

}  // namespace

ControlSettingsStore::ControlSettingsStore(std::int32_t version, std::string keyPath,
                                           std::unique_ptr<SettingsStore> store)
    : version_(version), keyPath_(std::move(keyPath)), store_(std::move(store)) {}

bool ControlSettingsStore::LoadFromRegistry() {
    const OpenedKey key(*store_, keyPath_);
    if (!key) return false;
    if (!store_->ValueExists(kVersionValue)) store_->WriteInteger(kVersionValue, -1);

    const auto version = store_->ReadInteger(kVersionValue);
    auto stored = store_->ReadBinary(kOptionsValue);
    // A value of another type counts as missing, so it is replaced like a wrong version or size.
    if (version != version_ || !stored || stored->size() != snapshot_.size()) {
        store_->WriteInteger(kVersionValue, version_);
        store_->WriteBinary(kOptionsValue, snapshot_);
        stored = store_->ReadBinary(kOptionsValue);
    }
    // Only a block of the snapshot's size is taken: a store that did not keep the write leaves
    // the snapshot as it was.
    if (stored && stored->size() == snapshot_.size()) snapshot_ = std::move(*stored);
    return true;
}

bool ControlSettingsStore::SaveToRegistry() {
    const OpenedKey key(*store_, keyPath_);
    if (!key) return false;
    store_->WriteBinary(kOptionsValue, snapshot_);
    return true;
}

}  // namespace tonalyx
