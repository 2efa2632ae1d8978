#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "settings/SettingsRecords.h"

namespace tonalyx::requests {

// The four settings records as the command line holds them: factory defaults, then every
// --set NAME=VALUE applied in order.
struct RecordSet {
    AnalysisSettings analysis;
    DisplaySettings display;
    ImageCopySettings imageCopy;
    FileSettings file;

    bool operator==(const RecordSet&) const = default;
};

// Where a field lives in a RecordSet; exactly one of the three types.
using IntField = int* (*)(RecordSet&);
using DoubleField = double* (*)(RecordSet&);
using BoolField = bool* (*)(RecordSet&);
using FieldAccess = std::variant<IntField, DoubleField, BoolField>;

// The values a number field accepts: an inclusive range, or one of a few values. A field with
// neither takes any finite number.
struct FieldValues {
    std::optional<double> min;
    std::optional<double> max;
    std::span<const double> choices;
};

struct SettingField {
    std::string_view name;    // the record's field name, e.g. "fftSizeLog2"
    std::string_view record;  // "AnalysisSettings", "DisplaySettings", ...
    FieldAccess access;
    FieldValues values;
    std::string_view unit;  // what the number means, for the listing
};

// Every field of the four records, in record order.
std::span<const SettingField> SettingFields();

// The field of that exact name; none when there is no such field.
const SettingField* FindSettingField(std::string_view name);

// Applies one "NAME=VALUE". Booleans take true/false, 1/0 or on/off; integers take whole
// numbers only; reals take a decimal number with '.' whatever the locale. Returns the message
// for an unknown name or a bad or out-of-range value, leaving the records unchanged.
std::optional<std::string> ApplySetting(RecordSet& records, std::string_view assignment);

// The field's current value as text that ApplySetting reads back to the same value.
std::string FormatSetting(const SettingField& field, const RecordSet& records);

// The settings that contradict each other, as the command line refuses them: a bottom above or
// at its top (pitch range, frequency, lag, dB and percent axes), a negative bottom frequency or
// lag. Returns the message naming both settings, or none.
std::optional<std::string> CheckSettingsAgree(const RecordSet& records);

// "a whole number from 4 to 13", "a number from 0 to 1", "one of 0, -1, 8000", "true/false"
// or "a finite number".
std::string DescribeValues(const SettingField& field);

}  // namespace tonalyx::requests
