#pragma once

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <variant>

#include "settings/SettingsStore.h"

namespace tonalyx {

using StoredValue = std::variant<std::int32_t, std::string, std::vector<std::uint8_t>>;
using StoredValues = std::map<std::string, StoredValue, std::less<>>;

// The contents of an in-memory settings store. Several accessors may share one, as running
// copies of the program share the per-user store.
struct MemorySettingsData {
    std::map<std::string, StoredValues, std::less<>> keys;
    // Every write in order (value name and value), so that a caller can see what was written
    // and when, not only the final contents.
    std::vector<std::pair<std::string, StoredValue>> writes;
    // When set, no key can be opened or created.
    bool refuseOpen = false;
};

// A settings store held in memory, for tests and for running without a per-user store.
class MemorySettingsStore : public SettingsStore {
public:
    explicit MemorySettingsStore(
        std::shared_ptr<MemorySettingsData> data = std::make_shared<MemorySettingsData>())
        : data_(std::move(data)) {}

    const std::shared_ptr<MemorySettingsData>& Data() const { return data_; }

    bool OpenKey(std::string_view keyPath) override;
    void CloseKey() override { key_ = nullptr; }

    bool ValueExists(std::string_view name) const override;
    std::optional<std::int32_t> ReadInteger(std::string_view name) const override;
    std::optional<std::string> ReadString(std::string_view name) const override;
    std::optional<std::vector<std::uint8_t>> ReadBinary(std::string_view name) const override;

    void WriteInteger(std::string_view name, std::int32_t value) override;
    void WriteString(std::string_view name, std::string_view value) override;
    void WriteBinary(std::string_view name, std::span<const std::uint8_t> bytes) override;

private:
    const StoredValue* Find(std::string_view name) const;
    void Write(std::string_view name, StoredValue value);

    std::shared_ptr<MemorySettingsData> data_;
    StoredValues* key_ = nullptr;  // the open key, none when closed
};

}  // namespace tonalyx
