#include "settings/QtSettingsStore.h"

#include <QSettings>
#include <QStringList>

#include <limits>

namespace tonalyx {

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QtSettingsStore::QtSettingsStore() = default;
QtSettingsStore::~QtSettingsStore() = default;

bool QtSettingsStore::OpenKey(std::string_view keyPath) {
    CloseKey();
    const QStringList parts = ToQString(keyPath).split('\\');
    if (parts.size() != 3 || parts[0] != "Software" || parts[1].isEmpty() || parts[2].isEmpty()) {
        return false;
    }
    auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                parts[1], parts[2]);
    if (settings->status() == QSettings::AccessError || !settings->isWritable()) return false;
    settings_ = std::move(settings);
    return true;
}

void QtSettingsStore::CloseKey() {
    if (!settings_) return;
    settings_->sync();
    settings_.reset();
}

bool QtSettingsStore::ValueExists(std::string_view name) const {
    return settings_ && settings_->contains(ToQString(name));
}

std::optional<std::int32_t> QtSettingsStore::ReadInteger(std::string_view name) const {
    if (!settings_) return std::nullopt;
    const QVariant value = settings_->value(ToQString(name));
    // Integers come back as text from a configuration file; binary values are never integers.
    if (!value.isValid() || value.typeId() == QMetaType::QByteArray) return std::nullopt;
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    if (!ok || number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(number);
}

std::optional<std::string> QtSettingsStore::ReadString(std::string_view name) const {
    if (!settings_) return std::nullopt;
    const QVariant value = settings_->value(ToQString(name));
    if (value.typeId() != QMetaType::QString) return std::nullopt;
    return value.toString().toStdString();
}

std::optional<std::vector<std::uint8_t>> QtSettingsStore::ReadBinary(std::string_view name) const {
    if (!settings_) return std::nullopt;
    const QVariant value = settings_->value(ToQString(name));
    if (value.typeId() != QMetaType::QByteArray) return std::nullopt;
    const QByteArray bytes = value.toByteArray();
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

void QtSettingsStore::WriteInteger(std::string_view name, std::int32_t value) {
    if (settings_) settings_->setValue(ToQString(name), value);
}

void QtSettingsStore::WriteString(std::string_view name, std::string_view value) {
    if (settings_) settings_->setValue(ToQString(name), ToQString(value));
}

void QtSettingsStore::WriteBinary(std::string_view name, std::span<const std::uint8_t> bytes) {
    if (!settings_) return;
    settings_->setValue(ToQString(name), QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<qsizetype>(bytes.size())));
}

}  // namespace tonalyx
