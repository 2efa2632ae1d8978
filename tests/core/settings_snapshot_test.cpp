#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/OptionSnapshot.h"

namespace tonalyx {
namespace {

using Kind = StoredControlKind;
using Bytes = std::vector<std::uint8_t>;

// The stored layout as it has to be: every slot's offset, kind and factory content (integers
// as numbers, texts as text).
struct ExpectedSlot {
    const char* control;
    std::size_t offset;
    Kind kind;
    std::int32_t number;
    const char* text;
};

// clang-format off
const ExpectedSlot kExpected[] = {
    {"LCorSize", 0, Kind::RadioGroup, 3, nullptr},
    {"LCorType", 4, Kind::RadioGroup, 0, nullptr},
    {"BCorCoefficient", 8, Kind::CheckBox, 0, nullptr},
    {"LFftWindow", 12, Kind::RadioGroup, 1, nullptr},
    {"LFftSize", 16, Kind::RadioGroup, 2, nullptr},
    {"BFftPhase", 20, Kind::CheckBox, 0, nullptr},
    {"LResampling", 24, Kind::RadioGroup, 5, nullptr},
    {"EditLPoleNumN", 28, Kind::Edit, 0, "40"},
    {"EditLPoleNumA", 92, Kind::Edit, 0, "16"},
    {"EditLPoleNum08", 156, Kind::Edit, 0, "12"},
    {"EditLPoleNum10", 220, Kind::Edit, 0, "14"},
    {"EditLPoleNum12", 284, Kind::Edit, 0, "16"},
    {"EditLPoleNum16", 348, Kind::Edit, 0, "20"},
    {"LMemSize", 412, Kind::RadioGroup, 4, nullptr},
    {"EditLMemSizeN", 416, Kind::Edit, 0, "1000"},
    {"LPoleNumN", 480, Kind::UpDown, 40, nullptr},
    {"LPoleNumA", 484, Kind::UpDown, 16, nullptr},
    {"LPoleNum08", 488, Kind::UpDown, 12, nullptr},
    {"LPoleNum10", 492, Kind::UpDown, 14, nullptr},
    {"LPoleNum12", 496, Kind::UpDown, 16, nullptr},
    {"LPoleNum16", 500, Kind::UpDown, 20, nullptr},
    {"LMemSizeN", 504, Kind::UpDown, 1000, nullptr},
    {"EditLPMinFreq", 508, Kind::Edit, 0, "80"},
    {"LPMinFreq", 572, Kind::UpDown, 80, nullptr},
    {"EditLPMaxFreq", 576, Kind::Edit, 0, "640"},
    {"LPMaxFreq", 640, Kind::UpDown, 640, nullptr},
    {"EditLPOctaveNum", 644, Kind::Edit, 0, "12"},
    {"LPOctaveNum", 708, Kind::UpDown, 12, nullptr},
    {"EditLPSNThreshold", 712, Kind::Edit, 0, "10"},
    {"LPSNThreshold", 776, Kind::UpDown, 10, nullptr},
    {"LCepWindow", 780, Kind::RadioGroup, 1, nullptr},
    {"LCepSize", 784, Kind::RadioGroup, 2, nullptr},
    {"LLifWindow", 788, Kind::RadioGroup, 1, nullptr},
    {"LLifSize", 792, Kind::RadioGroup, 4, nullptr},
    {"EditLLifSd", 796, Kind::Edit, 0, "10"},
    {"LLifSd", 860, Kind::UpDown, 10, nullptr},
    {"EditLHeight", 864, Kind::Edit, 0, "256"},
    {"LMaxFreq", 928, Kind::ComboBoxEdit, 0, "1000"},
    {"LMinFreq", 992, Kind::ComboBoxEdit, 0, "0"},
    {"BLogScale", 1056, Kind::CheckBox, 0, nullptr},
    {"EditLMaxVol", 1060, Kind::Edit, 0, "-20"},
    {"EditLMinVol", 1124, Kind::Edit, 0, "-90"},
    {"LMaxVol", 1188, Kind::UpDown, -20, nullptr},
    {"LMinVol", 1192, Kind::UpDown, -90, nullptr},
    {"LMaxTime", 1196, Kind::ComboBoxEdit, 0, "20"},
    {"LMinTime", 1260, Kind::ComboBoxEdit, 0, "0"},
    {"EditLMaxPer", 1324, Kind::Edit, 0, "10"},
    {"EditLMinPer", 1388, Kind::Edit, 0, "0"},
    {"LMaxPer", 1452, Kind::UpDown, 10, nullptr},
    {"LMinPer", 1456, Kind::UpDown, 0, nullptr},
    {"BShowAsFreq", 1460, Kind::CheckBox, 1, nullptr},
    {"BSmoothing", 1464, Kind::CheckBox, 0, nullptr},
    {"EditLSmoothing", 1468, Kind::Edit, 0, "1"},
    {"BInterpolate", 1532, Kind::CheckBox, 1, nullptr},
    {"LSmoothing", 1536, Kind::UpDown, 1, nullptr},
    {"LHeight", 1540, Kind::UpDown, 256, nullptr},
    {"BBtoRColor", 1544, Kind::CheckBox, 0, nullptr},
    {"BCopyWave", 1548, Kind::CheckBox, 1, nullptr},
    {"BCopyWaveX", 1552, Kind::CheckBox, 1, nullptr},
    {"BCopyWaveY", 1556, Kind::CheckBox, 1, nullptr},
    {"BCopySpgm", 1560, Kind::CheckBox, 1, nullptr},
    {"BCopySpgmX", 1564, Kind::CheckBox, 1, nullptr},
    {"BCopySpgmY", 1568, Kind::CheckBox, 1, nullptr},
    {"BCopyFreq", 1572, Kind::CheckBox, 0, nullptr},
    {"BCopyFreqX", 1576, Kind::CheckBox, 1, nullptr},
    {"BCopyFreqY", 1580, Kind::CheckBox, 1, nullptr},
    {"LChannelID", 1584, Kind::RadioGroup, 0, nullptr},
    {"EditLChannelIDG", 1588, Kind::Edit, 0, "3"},
    {"LChannelIDG", 1652, Kind::UpDown, 3, nullptr},
    {"EditLMaxSoundLength", 1656, Kind::Edit, 0, "120"},
    {"LMaxSoundLength", 1720, Kind::UpDown, 120, nullptr},
    {"BDisableAudio", 1724, Kind::CheckBox, 0, nullptr},
};
// clang-format on

std::int32_t IntegerAt(const Bytes& bytes, std::size_t offset) {
    const std::uint32_t bits = bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
                               static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
    return static_cast<std::int32_t>(bits);
}

// The 64-byte text slot at offset, as it must look: the text's bytes, then zeros.
Bytes TextSlotBytes(const std::string& text) {
    Bytes slot(kTextSlotSize, 0);
    std::copy(text.begin(), text.end(), slot.begin());
    return slot;
}

Bytes SlotAt(const Bytes& bytes, std::size_t offset, std::size_t size) {
    return Bytes(bytes.begin() + static_cast<long>(offset),
                 bytes.begin() + static_cast<long>(offset + size));
}

Bytes Encode(const OptionControls& controls) {
    return EncodeOptionSnapshot(controls, EditTextsOfPositions(controls));
}

TEST(OptionSnapshot, LayoutHasEveryControlAtItsOffset) {
    const auto layout = OptionSnapshotLayout();
    ASSERT_EQ(layout.size(), std::size(kExpected));
    std::size_t end = 0;
    for (std::size_t i = 0; i < layout.size(); ++i) {
        EXPECT_EQ(layout[i].control, kExpected[i].control);
        EXPECT_EQ(layout[i].kind, kExpected[i].kind) << kExpected[i].control;
        EXPECT_EQ(SnapshotSlotOffset(kExpected[i].control), kExpected[i].offset);
        end = kExpected[i].offset + SlotSize(kExpected[i].kind);
    }
    EXPECT_EQ(end, kOptionSnapshotSize);
    EXPECT_EQ(kOptionSnapshotSize, 1728u);
    EXPECT_FALSE(SnapshotSlotOffset("ApplyBtn").has_value());
    EXPECT_FALSE(SnapshotSlotOffset("TabSheetFft").has_value());
}

TEST(OptionSnapshot, EverySettingControlHasExactlyOneSlot) {
    std::multiset<std::string> slots;
    for (const SnapshotSlot& slot : OptionSnapshotLayout())
        slots.insert(std::string(slot.control));
    const auto once = [&](std::string_view name) { return slots.count(std::string(name)) == 1; };
    for (const auto& c : kRadioGroupControls)
        EXPECT_TRUE(once(c.name)) << c.name;
    for (const auto& c : kCheckBoxControls)
        EXPECT_TRUE(once(c.name)) << c.name;
    for (const auto& c : kComboBoxControls)
        EXPECT_TRUE(once(c.name)) << c.name;
    for (const auto& c : kUpDownControls) {
        EXPECT_TRUE(once(c.name)) << c.name;
        EXPECT_TRUE(once("Edit" + std::string(c.name))) << c.name;
    }
    EXPECT_EQ(slots.size(), kRadioGroupControls.size() + kCheckBoxControls.size() +
                                kComboBoxControls.size() + 2 * kUpDownControls.size());
}

TEST(OptionSnapshot, FactoryControlsGiveTheFactoryBytes) {
    const Bytes bytes = Encode(OptionControls{});
    ASSERT_EQ(bytes.size(), kOptionSnapshotSize);
    for (const ExpectedSlot& slot : kExpected) {
        if (slot.text) {
            EXPECT_EQ(SlotAt(bytes, slot.offset, kTextSlotSize), TextSlotBytes(slot.text))
                << slot.control;
        } else {
            EXPECT_EQ(IntegerAt(bytes, slot.offset), slot.number) << slot.control;
        }
    }
    // Integers are little-endian two's complement.
    EXPECT_EQ(SlotAt(bytes, 1188, 4), (Bytes{0xEC, 0xFF, 0xFF, 0xFF}));  // LMaxVol -20
    EXPECT_EQ(SlotAt(bytes, 504, 4), (Bytes{0xE8, 0x03, 0x00, 0x00}));   // LMemSizeN 1000
}

TEST(OptionSnapshot, ChosenValuesLandInTheirSlots) {
    OptionControls controls;
    controls.lFftSize = 0;  // "8192"
    controls.lMaxTime = {"35", -1};
    const Bytes bytes = Encode(controls);
    EXPECT_EQ(SlotAt(bytes, 16, 4), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(SlotAt(bytes, 1196, kTextSlotSize), TextSlotBytes("35"));
    // Nothing else moved.
    Bytes factory = Encode(OptionControls{});
    std::fill(factory.begin() + 16, factory.begin() + 20, 0);
    std::copy_n(TextSlotBytes("35").begin(), kTextSlotSize, factory.begin() + 1196);
    EXPECT_EQ(bytes, factory);

    // A combo box is stored by its text, whichever item is selected.
    controls.lMaxTime = {"3000", 2};
    EXPECT_EQ(SlotAt(Encode(controls), 1196, kTextSlotSize), TextSlotBytes("3000"));
}

OptionControls EveryControlChanged() {
    OptionControls c;
    c.lCorSize = 0;
    c.lCorType = 2;
    c.bCorCoefficient = true;
    c.lFftWindow = 5;
    c.lFftSize = 9;
    c.bFftPhase = true;
    c.lResampling = 1;
    c.lPoleNumN = 255;
    c.lPoleNumA = 1;
    c.lPoleNum08 = 7;
    c.lPoleNum10 = 8;
    c.lPoleNum12 = 9;
    c.lPoleNum16 = 10;
    c.lMemSize = 9;
    c.lMemSizeN = 8192;
    c.lPMinFreq = 20;
    c.lPMaxFreq = 20000;
    c.lPOctaveNum = 60;
    c.lPSNThreshold = 0;
    c.lCepWindow = 0;
    c.lCepSize = 4;
    c.lLifWindow = 3;
    c.lLifSize = 0;
    c.lLifSd = 1000;
    c.lHeight = 1024;
    c.lMaxFreq = {"3500", -1};
    c.lMinFreq = {"12.5", -1};
    c.bLogScale = true;
    c.lMaxVol = -1000;
    c.lMinVol = 1000;
    c.lMaxTime = {"7", -1};
    c.lMinTime = {"abc", -1};
    c.bShowAsFreq = false;
    c.lMaxPer = 100;
    c.lMinPer = 50;
    c.bSmoothing = true;
    c.lSmoothing = 7;
    c.bInterpolate = false;
    c.bBtoRColor = true;
    c.bCopyWave = false;
    c.bCopyWaveX = false;
    c.bCopyWaveY = false;
    c.bCopySpgm = false;
    c.bCopySpgmX = false;
    c.bCopySpgmY = false;
    c.bCopyFreq = true;
    c.bCopyFreqX = false;
    c.bCopyFreqY = false;
    c.lChannelID = 2;
    c.lChannelIDG = 64;
    c.lMaxSoundLength = 1;
    c.bDisableAudio = true;
    return c;
}

TEST(OptionSnapshot, ControlsAndEditTextsRoundTrip) {
    const OptionControls changed = EveryControlChanged();
    ASSERT_NE(changed, OptionControls{});
    UpDownEditTexts texts = EditTextsOfPositions(changed);
    texts[0] = "9999";  // an edit holding text its up-down did not take
    texts[12] = "";
    const Bytes bytes = EncodeOptionSnapshot(changed, texts);

    OptionControls decoded;
    UpDownEditTexts decodedTexts;
    ASSERT_TRUE(DecodeOptionSnapshot(bytes, decoded, decodedTexts));
    EXPECT_EQ(decoded, changed);
    EXPECT_EQ(decodedTexts, texts);
    EXPECT_EQ(EncodeOptionSnapshot(decoded, decodedTexts), bytes);
}

TEST(OptionSnapshot, DecodeTakesStoredIntegersAsTheyAre) {
    Bytes bytes = Encode(OptionControls{});
    bytes[8] = 2;      // BCorCoefficient: any non-zero value is checked
    bytes[1460] = 0;   // BShowAsFreq off
    bytes[16] = 0xFF;  // LFftSize -1: no item
    bytes[17] = 0xFF;
    bytes[18] = 0xFF;
    bytes[19] = 0xFF;
    bytes[1541] = 0x7F;  // LHeight far out of range: the control will keep it in range
    OptionControls c;
    UpDownEditTexts texts;
    ASSERT_TRUE(DecodeOptionSnapshot(bytes, c, texts));
    EXPECT_TRUE(c.bCorCoefficient);
    EXPECT_FALSE(c.bShowAsFreq);
    EXPECT_EQ(c.lFftSize, -1);
    EXPECT_EQ(c.lHeight, 0x7F00);
    // Combo boxes come back as typed text, no item selected.
    EXPECT_EQ(c.lMaxFreq, (ComboBoxState{"1000", -1}));
    // Re-encoding gives the same bytes, BCorCoefficient normalised to 1.
    bytes[8] = 1;
    EXPECT_EQ(EncodeOptionSnapshot(c, texts), bytes);
}

TEST(OptionSnapshot, BlocksOfAnotherSizeRestoreNothing) {
    const OptionControls changed = EveryControlChanged();
    UpDownEditTexts texts = EditTextsOfPositions(changed);
    for (std::size_t size : {std::size_t{0}, kOptionSnapshotSize - 1, kOptionSnapshotSize + 1}) {
        const Bytes bytes(size, 0);
        OptionControls c = changed;
        EXPECT_FALSE(DecodeOptionSnapshot(bytes, c, texts));
        EXPECT_EQ(c, changed);
    }
}

TEST(OptionSnapshot, LongTextsAreCutWithoutTouchingTheNextSlot) {
    const std::string sixtyFour(64, '7');
    OptionControls controls;
    controls.lMaxFreq = {sixtyFour, -1};
    Bytes bytes = Encode(controls);
    // Exactly 64 bytes fill the slot with no terminator and still come back whole.
    EXPECT_EQ(SlotAt(bytes, 928, 64), Bytes(64, '7'));
    EXPECT_EQ(SlotAt(bytes, 992, 64), TextSlotBytes("0"));  // LMinFreq
    OptionControls decoded;
    UpDownEditTexts texts;
    ASSERT_TRUE(DecodeOptionSnapshot(bytes, decoded, texts));
    EXPECT_EQ(decoded.lMaxFreq.text, sixtyFour);
    EXPECT_EQ(decoded.lMinFreq.text, "0");

    // Longer texts are cut to their first 64 bytes.
    controls.lMaxFreq = {std::string(64, '1') + "2345", -1};
    controls.lMinTime = {std::string(300, 'x'), -1};  // the last text slot but one
    bytes = Encode(controls);
    EXPECT_EQ(SlotAt(bytes, 928, 64), Bytes(64, '1'));
    EXPECT_EQ(SlotAt(bytes, 992, 64), TextSlotBytes("0"));
    EXPECT_EQ(SlotAt(bytes, 1260, 64), Bytes(64, 'x'));
    EXPECT_EQ(IntegerAt(bytes, 1452), 10);  // EditLMaxPer's neighbour chain intact
    EXPECT_EQ(SlotAt(bytes, 1324, 64), TextSlotBytes("10"));
}

TEST(OptionSnapshot, CutsNeverSplitACharacter) {
    std::array<std::uint8_t, kTextSlotSize> slot{};
    // 63 ASCII bytes and a two-byte character: the character does not fit and is left out.
    const std::string twoByte = std::string(63, 'a') + "\xC3\xA9";
    WriteTextSlot(slot, twoByte);
    EXPECT_EQ(ReadTextSlot(slot), std::string(63, 'a'));
    // 62 bytes and the same character fit exactly.
    WriteTextSlot(slot, std::string(62, 'a') + "\xC3\xA9");
    EXPECT_EQ(ReadTextSlot(slot), std::string(62, 'a') + "\xC3\xA9");
    // A four-byte character straddling the end goes whole.
    WriteTextSlot(slot, std::string(61, 'a') + "\xF0\x9F\x8E\xB5" + "b");
    EXPECT_EQ(ReadTextSlot(slot), std::string(61, 'a'));
    // An embedded zero byte ends the text; the rest of the slot is cleared.
    WriteTextSlot(slot, std::string("12\0"
                                    "34",
                                    5));
    EXPECT_EQ(ReadTextSlot(slot), "12");
    EXPECT_EQ(slot[3], 0);
    EXPECT_EQ(slot[63], 0);
}

}  // namespace
}  // namespace tonalyx
