#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "settings/SettingsStore.h"

namespace tonalyx {

// The layout version of the stored "Options" value.
inline constexpr std::int32_t kSettingsVersion = 123;

// The options dialog's stored snapshot: the bytes of its controls as last captured or loaded,
// and how they travel to and from the per-user settings store ("Version" and "Options" in the
// program's key). Close, Apply and program exit write nothing; only SaveToRegistry stores.
class ControlSettingsStore {
public:
    ControlSettingsStore(std::int32_t version, std::string keyPath,
                         std::unique_ptr<SettingsStore> store);

    const std::vector<std::uint8_t>& Snapshot() const { return snapshot_; }
    // The controls' bytes, taken by the dialog's capture.
    void SetSnapshot(std::vector<std::uint8_t> snapshot) { snapshot_ = std::move(snapshot); }

    // Replaces the snapshot by the stored one. A missing "Version" is first written as -1; a
    // stored layout of another version or size is replaced by the current snapshot (with the
    // right version) before it is read back. False, with the snapshot unchanged, only when the
    // key can be neither opened nor created.
    bool LoadFromRegistry();
    // Writes the snapshot as "Options" ("Version" is left alone); false when the key can be
    // neither opened nor created.
    bool SaveToRegistry();

    // The per-user store and key it works on, for values kept beside the snapshot.
    SettingsStore& Store() { return *store_; }
    const std::string& KeyPath() const { return keyPath_; }

private:
    std::int32_t version_;
    std::string keyPath_;
    std::unique_ptr<SettingsStore> store_;
    std::vector<std::uint8_t> snapshot_;
};

}  // namespace tonalyx
