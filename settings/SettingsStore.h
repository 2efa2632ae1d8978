#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tonalyx {

// The program's key in the per-user settings store: the options snapshot and the recent files.
inline constexpr std::string_view kSettingsKey = "Software\\Velmora\\Tonalyx.200";

// Access to the per-user settings store, one key at a time: open a key by its path (creating it
// when missing), read and write its values by name, close it. Reads give no value when the value
// is missing or holds another type than the one asked for. Reads and writes need an open key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // False when the key can neither be opened nor created.
    virtual bool OpenKey(std::string_view keyPath) = 0;
    virtual void CloseKey() = 0;

    virtual bool ValueExists(std::string_view name) const = 0;
    virtual std::optional<std::int32_t> ReadInteger(std::string_view name) const = 0;
    virtual std::optional<std::string> ReadString(std::string_view name) const = 0;
    virtual std::optional<std::vector<std::uint8_t>> ReadBinary(std::string_view name) const = 0;

    virtual void WriteInteger(std::string_view name, std::int32_t value) = 0;
    virtual void WriteString(std::string_view name, std::string_view value) = 0;
    virtual void WriteBinary(std::string_view name, std::span<const std::uint8_t> bytes) = 0;
};

// Keeps a key of the store open for one scope: every access opens the key and closes it again.
class OpenedKey {
public:
    OpenedKey(SettingsStore& store, std::string_view keyPath)
        : store_(store), open_(store.OpenKey(keyPath)) {}
    ~OpenedKey() {
        if (open_) store_.CloseKey();
    }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;

    explicit operator bool() const { return open_; }

private:
    SettingsStore& store_;
    bool open_;
};

}  // namespace tonalyx
