#pragma once

#include <memory>

#include "settings/SettingsStore.h"

class QSettings;

namespace tonalyx {

// The per-user settings store through QSettings. A key path "Software\Organisation\Application"
// is QSettings(NativeFormat, UserScope, Organisation, Application): on Windows exactly that
// registry key of the current user, elsewhere the per-user configuration file Qt keeps for it.
class QtSettingsStore : public SettingsStore {
public:
    QtSettingsStore();
    ~QtSettingsStore() override;

    // False for a path of another shape and for a store that cannot be written.
    bool OpenKey(std::string_view keyPath) override;
    void CloseKey() override;

    bool ValueExists(std::string_view name) const override;
    std::optional<std::int32_t> ReadInteger(std::string_view name) const override;
    std::optional<std::string> ReadString(std::string_view name) const override;
    std::optional<std::vector<std::uint8_t>> ReadBinary(std::string_view name) const override;

    void WriteInteger(std::string_view name, std::int32_t value) override;
    void WriteString(std::string_view name, std::string_view value) override;
    void WriteBinary(std::string_view name, std::span<const std::uint8_t> bytes) override;

private:
    std::unique_ptr<QSettings> settings_;  // the open key, none when closed
};

}  // namespace tonalyx
