#include <cmath>
#include <limits>
#include <locale>
#include <string>

#include <gtest/gtest.h>

#include "settings/OptionControls.h"
#include "settings/SettingsRecords.h"

namespace tonalyx {
namespace {

TEST(ParseDecimal, AcceptsPlainSignedAndBlankPaddedNumbers) {
    EXPECT_EQ(ParseDecimal("2048"), 2048.0);
    EXPECT_EQ(ParseDecimal("  12\t"), 12.0);
    EXPECT_EQ(ParseDecimal("+5"), 5.0);
    EXPECT_EQ(ParseDecimal(" -90 "), -90.0);
    EXPECT_EQ(ParseDecimal("1.5"), 1.5);
    EXPECT_EQ(ParseDecimal(".5"), 0.5);
    EXPECT_EQ(ParseDecimal("5."), 5.0);
    EXPECT_EQ(ParseDecimal("1e3"), 1000.0);
    EXPECT_EQ(ParseDecimal("-2.5E-1"), -0.25);
    EXPECT_EQ(ParseDecimal("0011025"), 11025.0);
}

TEST(ParseDecimal, RejectsEmptyPartialAndNonDecimalText) {
    for (const char* text : {"", "   ", "12abc", "abc", "1,5", "1 000", "+", "-", ".", "+-5", "--5",
                             "- 5", "1e", "0x10", "inf", "-inf", "nan", "1e400", "5%"}) {
        EXPECT_FALSE(ParseDecimal(text).has_value()) << '"' << text << '"';
    }
}

// A user locale with a decimal comma must not change how "1.5" is read.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST(ParseDecimal, IgnoresTheGlobalLocale) {
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    const auto point = ParseDecimal("1.5");
    const auto comma = ParseDecimal("1,5");
    std::locale::global(previous);
    EXPECT_EQ(point, 1.5);
    EXPECT_FALSE(comma.has_value());
}

TEST(SizeExponent, EveryItemGivesItsExactExponent) {
    for (const std::string_view item : kSizeItems) {
        const double size = std::stod(std::string(item));
        const int e = SizeExponent(size);
        EXPECT_EQ(1 << e, static_cast<int>(size)) << item;
    }
    EXPECT_EQ(SizeExponent(8192.0), 13);
    EXPECT_EQ(SizeExponent(16.0), 4);
}

TEST(SizeExponent, TruncatesAndStaysWithinFourToThirteen) {
    EXPECT_EQ(SizeExponent(3000.0), 11);
    EXPECT_EQ(SizeExponent(4095.9), 11);
    EXPECT_EQ(SizeExponent(16383.0), 13);
    EXPECT_EQ(SizeExponent(1e9), 13);
    EXPECT_EQ(SizeExponent(15.9), 4);
    EXPECT_EQ(SizeExponent(1.0), 4);
    EXPECT_EQ(SizeExponent(0.0), 4);  // a size group with no selection
    EXPECT_EQ(SizeExponent(-8.0), 4);
    EXPECT_EQ(SizeExponent(std::numeric_limits<double>::quiet_NaN()), 4);
    EXPECT_EQ(SizeExponent(std::numeric_limits<double>::infinity()), 13);
}

TEST(ReadRadioValue, SelectedItemOrZero) {
    EXPECT_EQ(ReadRadioValue(kSizeItems, 2), 2048.0);
    EXPECT_EQ(ReadRadioValue(kSizeItems, 0), 8192.0);
    EXPECT_EQ(ReadRadioValue(kSizeItems, 9), 16.0);
    EXPECT_EQ(ReadRadioValue(kCepSizeItems, 4), 512.0);
    EXPECT_EQ(ReadRadioValue(kSizeItems, -1), 0.0);
    EXPECT_EQ(ReadRadioValue(kSizeItems, 10), 0.0);
    EXPECT_EQ(ReadRadioValue(kCepSizeItems, 5), 0.0);
    EXPECT_EQ(ReadRadioValue(kMemSizeItems, kMemSizeOtherItem), 0.0);
}

TEST(ReadComboValue, SelectedItemWinsOverTheEditText) {
    EXPECT_EQ(ReadComboValue(kMaxFreqItems, 2, "garbage"), 5000.0);
    EXPECT_EQ(ReadComboValue(kMaxFreqItems, -1, "5000"), 5000.0);
    EXPECT_EQ(ReadComboValue(kMaxFreqItems, -1, " 3500 "), 3500.0);
    EXPECT_EQ(ReadComboValue(kMaxFreqItems, 12, "42"), 42.0);  // index past the items
    EXPECT_FALSE(ReadComboValue(kMaxFreqItems, -1, "12abc").has_value());
    EXPECT_FALSE(ReadComboValue(kMinTimeItems, -1, "").has_value());
}

TEST(ReadResampling, TableOfRatesAndPoleCounts) {
    const OptionControls c;
    const double rates[] = {0.0, -1.0, 8000.0, 10000.0, 12000.0, 16000.0};
    const int poles[] = {c.lPoleNumN,  c.lPoleNumA,  c.lPoleNum08,
                         c.lPoleNum10, c.lPoleNum12, c.lPoleNum16};
    ASSERT_EQ(kResamplingTable.size(), kResamplingItems.size());
    for (int item = 0; item < 6; ++item) {
        const ResamplingChoice choice = ReadResampling(item);
        EXPECT_EQ(choice.rate, rates[item]) << kResamplingItems[item];
        EXPECT_EQ(c.*choice.poleCount, poles[item]) << kResamplingItems[item];
    }
    // No selection reads as the initial item "16kHz".
    EXPECT_EQ(ReadResampling(-1).rate, 16000.0);
    EXPECT_EQ(ReadResampling(6).poleCount, &OptionControls::lPoleNum16);
}

TEST(ReadMemSize, OtherTakesTheUpDownAnyOtherItemItsValue) {
    EXPECT_EQ(ReadMemSize(kMemSizeOtherItem, 1000), 1000);
    EXPECT_EQ(ReadMemSize(4, 77), 512);
    EXPECT_EQ(ReadMemSize(0, 77), 8192);
    EXPECT_EQ(ReadMemSize(8, 77), 32);
    EXPECT_EQ(ReadMemSize(-1, 77), 0);
}

TEST(ReadChannelIndex, FirstTwoItemsAndTheNumberedChannel) {
    EXPECT_EQ(ReadChannelIndex(0, 40), 0);
    EXPECT_EQ(ReadChannelIndex(1, 40), 1);
    EXPECT_EQ(ReadChannelIndex(kChannelIdMoreItem, 3), 2);
    EXPECT_EQ(ReadChannelIndex(kChannelIdMoreItem, 64), 63);
    EXPECT_EQ(ReadChannelIndex(-1, 40), 0);
}

TEST(UnitConversions, MillisecondsAndPercent) {
    EXPECT_DOUBLE_EQ(MillisecondsToSeconds(12.0), 0.012);
    EXPECT_DOUBLE_EQ(MillisecondsToSeconds(10.0), 0.010);
    EXPECT_DOUBLE_EQ(MillisecondsToSeconds(1000.0), 1.0);
    EXPECT_DOUBLE_EQ(PercentToFraction(10.0), 0.10);
    EXPECT_DOUBLE_EQ(PercentToFraction(100.0), 1.0);
    EXPECT_DOUBLE_EQ(PercentToFraction(0.0), 0.0);
}

}  // namespace
}  // namespace tonalyx
