#include "settings/OptionSnapshot.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tonalyx {

namespace {

using Kind = StoredControlKind;

constexpr std::array<SnapshotSlot, 72> kLayout = {{
    {"LCorSize", Kind::RadioGroup},      {"LCorType", Kind::RadioGroup},
    {"BCorCoefficient", Kind::CheckBox}, {"LFftWindow", Kind::RadioGroup},
    {"LFftSize", Kind::RadioGroup},      {"BFftPhase", Kind::CheckBox},
    {"LResampling", Kind::RadioGroup},   {"EditLPoleNumN", Kind::Edit},
    {"EditLPoleNumA", Kind::Edit},       {"EditLPoleNum08", Kind::Edit},
    {"EditLPoleNum10", Kind::Edit},      {"EditLPoleNum12", Kind::Edit},
    {"EditLPoleNum16", Kind::Edit},      {"LMemSize", Kind::RadioGroup},
    {"EditLMemSizeN", Kind::Edit},       {"LPoleNumN", Kind::UpDown},
    {"LPoleNumA", Kind::UpDown},         {"LPoleNum08", Kind::UpDown},
    {"LPoleNum10", Kind::UpDown},        {"LPoleNum12", Kind::UpDown},
    {"LPoleNum16", Kind::UpDown},        {"LMemSizeN", Kind::UpDown},
    {"EditLPMinFreq", Kind::Edit},       {"LPMinFreq", Kind::UpDown},
    {"EditLPMaxFreq", Kind::Edit},       {"LPMaxFreq", Kind::UpDown},
    {"EditLPOctaveNum", Kind::Edit},     {"LPOctaveNum", Kind::UpDown},
    {"EditLPSNThreshold", Kind::Edit},   {"LPSNThreshold", Kind::UpDown},
    {"LCepWindow", Kind::RadioGroup},    {"LCepSize", Kind::RadioGroup},
    {"LLifWindow", Kind::RadioGroup},    {"LLifSize", Kind::RadioGroup},
    {"EditLLifSd", Kind::Edit},          {"LLifSd", Kind::UpDown},
    {"EditLHeight", Kind::Edit},         {"LMaxFreq", Kind::ComboBoxEdit},
    {"LMinFreq", Kind::ComboBoxEdit},    {"BLogScale", Kind::CheckBox},
    {"EditLMaxVol", Kind::Edit},         {"EditLMinVol", Kind::Edit},
    {"LMaxVol", Kind::UpDown},           {"LMinVol", Kind::UpDown},
    {"LMaxTime", Kind::ComboBoxEdit},    {"LMinTime", Kind::ComboBoxEdit},
    {"EditLMaxPer", Kind::Edit},         {"EditLMinPer", Kind::Edit},
    {"LMaxPer", Kind::UpDown},           {"LMinPer", Kind::UpDown},
    {"BShowAsFreq", Kind::CheckBox},     {"BSmoothing", Kind::CheckBox},
    {"EditLSmoothing", Kind::Edit},      {"BInterpolate", Kind::CheckBox},
    {"LSmoothing", Kind::UpDown},        {"LHeight", Kind::UpDown},
    {"BBtoRColor", Kind::CheckBox},      {"BCopyWave", Kind::CheckBox},
    {"BCopyWaveX", Kind::CheckBox},      {"BCopyWaveY", Kind::CheckBox},
    {"BCopySpgm", Kind::CheckBox},       {"BCopySpgmX", Kind::CheckBox},
    {"BCopySpgmY", Kind::CheckBox},      {"BCopyFreq", Kind::CheckBox},
    {"BCopyFreqX", Kind::CheckBox},      {"BCopyFreqY", Kind::CheckBox},
    {"LChannelID", Kind::RadioGroup},    {"EditLChannelIDG", Kind::Edit},
    {"LChannelIDG", Kind::UpDown},       {"EditLMaxSoundLength", Kind::Edit},
    {"LMaxSoundLength", Kind::UpDown},   {"BDisableAudio", Kind::CheckBox},
}};

constexpr std::size_t LayoutSize() {
    std::size_t size = 0;
    for (const SnapshotSlot& slot : kLayout)
        size += SlotSize(slot.kind);
    return size;
}
static_assert(LayoutSize() == kOptionSnapshotSize);

constexpr std::string_view kEditPrefix = "Edit";

// The index in kUpDownControls of the up-down an edit slot belongs to.
std::size_t EditIndex(std::string_view editName) {
    const UpDownControl* upDown = FindUpDownControl(editName.substr(kEditPrefix.size()));
    return static_cast<std::size_t>(upDown - kUpDownControls.data());
}

void WriteInteger(std::uint8_t* slot, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < kIntegerSlotSize; ++i)
        slot[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

std::int32_t ReadInteger(const std::uint8_t* slot) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < kIntegerSlotSize; ++i)
        bits |= static_cast<std::uint32_t>(slot[i]) << (8 * i);
    return static_cast<std::int32_t>(bits);
}

template <typename Byte>
std::span<Byte, kTextSlotSize> TextSlot(Byte* slot) {
    return std::span<Byte, kTextSlotSize>(slot, kTextSlotSize);
}

// The length of the longest start of text that fits into limit bytes without splitting a UTF-8
// character: a cut never lands before a continuation byte (10xxxxxx).
std::size_t Utf8PrefixLength(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text.size();
    std::size_t length = limit;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length;
    return length;
}

}  // namespace

std::span<const SnapshotSlot> OptionSnapshotLayout() {
    return kLayout;
}

std::optional<std::size_t> SnapshotSlotOffset(std::string_view control) {
    std::size_t offset = 0;
    for (const SnapshotSlot& slot : kLayout) {
        if (slot.control == control) return offset;
        offset += SlotSize(slot.kind);
    }
    return std::nullopt;
}

void WriteTextSlot(std::span<std::uint8_t, kTextSlotSize> slot, std::string_view text) {
    text = text.substr(0, text.find('\0'));
    const std::size_t length = Utf8PrefixLength(text, kTextSlotSize);
    std::fill(slot.begin(), slot.end(), std::uint8_t{0});
    std::memcpy(slot.data(), text.data(), length);
}

std::string ReadTextSlot(std::span<const std::uint8_t, kTextSlotSize> slot) {
    const auto end = std::find(slot.begin(), slot.end(), std::uint8_t{0});
    return std::string(slot.begin(), end);
}

std::vector<std::uint8_t> EncodeOptionSnapshot(const OptionControls& controls,
                                               const UpDownEditTexts& editTexts) {
    std::vector<std::uint8_t> bytes(kOptionSnapshotSize);
    std::uint8_t* slot = bytes.data();
    for (const SnapshotSlot& entry : kLayout) {
        switch (entry.kind) {
            case Kind::CheckBox:
                WriteInteger(slot, controls.*FindCheckBoxControl(entry.control)->checked ? 1 : 0);
                break;
            case Kind::RadioGroup:
                WriteInteger(slot, controls.*FindRadioGroupControl(entry.control)->item);
                break;
            case Kind::UpDown:
                WriteInteger(slot, controls.*FindUpDownControl(entry.control)->position);
                break;
            case Kind::ComboBoxEdit:
                WriteTextSlot(TextSlot(slot),
                              (controls.*FindComboBoxControl(entry.control)->state).text);
                break;
            case Kind::Edit:
                WriteTextSlot(TextSlot(slot), editTexts[EditIndex(entry.control)]);
                break;
        }
        slot += SlotSize(entry.kind);
    }
    return bytes;
}

bool DecodeOptionSnapshot(std::span<const std::uint8_t> snapshot, OptionControls& controls,
                          UpDownEditTexts& editTexts) {
    if (snapshot.size() != kOptionSnapshotSize) return false;
    const std::uint8_t* slot = snapshot.data();
    for (const SnapshotSlot& entry : kLayout) {
        switch (entry.kind) {
            case Kind::CheckBox:
                controls.*FindCheckBoxControl(entry.control)->checked = ReadInteger(slot) != 0;
                break;
            case Kind::RadioGroup:
                controls.*FindRadioGroupControl(entry.control)->item = ReadInteger(slot);
                break;
            case Kind::UpDown:
                controls.*FindUpDownControl(entry.control)->position = ReadInteger(slot);
                break;
            case Kind::ComboBoxEdit:
                controls.*
                    FindComboBoxControl(entry.control)->state = {ReadTextSlot(TextSlot(slot)), -1};
                break;
            case Kind::Edit:
                editTexts[EditIndex(entry.control)] = ReadTextSlot(TextSlot(slot));
                break;
        }
        slot += SlotSize(entry.kind);
    }
    return true;
}

}  // namespace tonalyx
