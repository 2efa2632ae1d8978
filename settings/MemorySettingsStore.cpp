#include "settings/MemorySettingsStore.h"

namespace tonalyx {

namespace {

template <typename T>
std::optional<T> ValueAs(const StoredValue* value) {
    if (value == nullptr || !std::holds_alternative<T>(*value)) return std::nullopt;
    return std::get<T>(*value);
}

}  // namespace

bool MemorySettingsStore::OpenKey(std::string_view keyPath) {
    key_ = nullptr;
    if (data_->refuseOpen) return false;
    auto found = data_->keys.find(keyPath);
    if (found == data_->keys.end()) found = data_->keys.emplace(keyPath, StoredValues{}).first;
    key_ = &found->second;
    return true;
}

const StoredValue* MemorySettingsStore::Find(std::string_view name) const {
    if (key_ == nullptr) return nullptr;
    const auto found = key_->find(name);
    return found == key_->end() ? nullptr : &found->second;
}

bool MemorySettingsStore::ValueExists(std::string_view name) const {
    return Find(name) != nullptr;
}

std::optional<std::int32_t> MemorySettingsStore::ReadInteger(std::string_view name) const {
    return ValueAs<std::int32_t>(Find(name));
}

std::optional<std::string> MemorySettingsStore::ReadString(std::string_view name) const {
    return ValueAs<std::string>(Find(name));
}

std::optional<std::vector<std::uint8_t>> MemorySettingsStore::ReadBinary(
    std::string_view name) const {
    return ValueAs<std::vector<std::uint8_t>>(Find(name));
}

void MemorySettingsStore::Write(std::string_view name, StoredValue value) {
    if (key_ == nullptr) return;
    data_->writes.emplace_back(std::string(name), value);
    key_->insert_or_assign(std::string(name), std::move(value));
}

void MemorySettingsStore::WriteInteger(std::string_view name, std::int32_t value) {
    Write(name, value);
}

void MemorySettingsStore::WriteString(std::string_view name, std::string_view value) {
    Write(name, std::string(value));
}

void MemorySettingsStore::WriteBinary(std::string_view name, std::span<const std::uint8_t> bytes) {
    Write(name, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

}  // namespace tonalyx
