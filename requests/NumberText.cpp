#include "requests/NumberText.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

namespace tonalyx::requests {

namespace {

__extension__ using Wide = unsigned __int128;

constexpr std::array<std::uint64_t, 20> kPowersOfTen = [] {
    std::array<std::uint64_t, 20> powers{};
    std::uint64_t power = 1;
    for (auto& entry : powers) {
        entry = power;
        power *= 10;
    }
    return powers;
}();

// The fast paths take at most this many decimals or significant digits.
constexpr int kMostFastDigits = 9;
// Below this magnitude a fixed value times 10^decimals stays below 10^18: it fits 64 bits.
constexpr double kFastFixedLimit = 1e9;
// The general format writes "%e" style below 10^-4; those go the slow way.
constexpr double kFastGeneralLow = 1e-4;
constexpr int kLowestDecade = -4;

// magnitude (finite, not negative) times 10^power rounded to the nearest integer, ties to even,
// computed exactly: the double is mantissa 2^exponent, the product mantissa 10^power fits 128
// bits for power <= 19. The caller keeps the result below 2^63.
std::uint64_t RoundedScaled(double magnitude, int power) {
    const auto bits = std::bit_cast<std::uint64_t>(magnitude);
    const int biased = static_cast<int>(bits >> 52);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    int exponent = -1074;  // subnormals and zero
    if (biased != 0) {
        mantissa |= std::uint64_t{1} << 52;
        exponent = biased - 1075;
    }
    const Wide scaled = static_cast<Wide>(mantissa) * kPowersOfTen[static_cast<std::size_t>(power)];
    if (exponent >= 0) return static_cast<std::uint64_t>(scaled << exponent);
    const int shift = -exponent;
    // scaled < 2^117, so beyond 127 bits of shift it is below half a unit.
    if (shift >= 128) return 0;
    const Wide one = 1;
    const auto whole = static_cast<std::uint64_t>(scaled >> shift);
    const Wide rest = scaled & ((one << shift) - 1);
    const Wide half = one << (shift - 1);
    return whole + ((rest > half || (rest == half && (whole & 1) != 0)) ? 1 : 0);
}

constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
        pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// Writes the last count digits of value, leading zeros included, ending at end; two at a time.
void WriteDigits(char* end, std::uint64_t value, int count) {
    for (; count >= 2; count -= 2) {
        end -= 2;
        std::memcpy(end, &kDigitPairs[static_cast<std::size_t>(2 * (value % 100))], 2);
        value /= 100;
    }
    if (count > 0) *--end = static_cast<char>('0' + value % 10);
}

int DigitCount(std::uint64_t value) {
    int count = 1;
    while (count < 19 && value >= kPowersOfTen[static_cast<std::size_t>(count)])
        ++count;
    return count;
}

// Appends scaled 10^-Decimals: the whole part, then the decimals when there are any. The
// number of decimals is a constant so that the divisions become multiplications.
template <int Decimals>
void AppendScaledTo(std::string& out, bool negative, std::uint64_t scaled) {
    constexpr std::uint64_t kUnit = kPowersOfTen[static_cast<std::size_t>(Decimals)];
    char text[48];
    char* end = text;
    if (negative) *end++ = '-';
    const std::uint64_t whole = scaled / kUnit;
    const int wholeDigits = DigitCount(whole);
    end += wholeDigits;
    WriteDigits(end, whole, wholeDigits);
    if constexpr (Decimals > 0) {
        *end++ = '.';
        end += Decimals;
        WriteDigits(end, scaled % kUnit, Decimals);
    }
    out.append(text, static_cast<std::size_t>(end - text));
}

using ScaledWriter = void (*)(std::string&, bool, std::uint64_t);

template <std::size_t... Decimals>
constexpr std::array<ScaledWriter, sizeof...(Decimals)> ScaledWriters(
    std::index_sequence<Decimals...>) {
    return {&AppendScaledTo<static_cast<int>(Decimals)>...};
}

// Fixed values take up to kMostFastDigits decimals; general ones four more, down to 10^-4.
constexpr auto kScaledWriters = ScaledWriters(std::make_index_sequence<kMostFastDigits + 4>());

void AppendScaled(std::string& out, bool negative, std::uint64_t scaled, int decimals) {
    kScaledWriters[static_cast<std::size_t>(decimals)](out, negative, scaled);
}

void AppendSlowly(std::string& out, double value, std::chars_format format, int precision) {
    char text[64];
    auto result = std::to_chars(text, text + sizeof text, value, format, precision);
    if (result.ec == std::errc()) {
        out.append(text, static_cast<std::size_t>(result.ptr - text));
        return;
    }
    // Large fixed values: up to 309 digits before the point.
    std::string wide(400 + static_cast<std::size_t>(precision), '\0');
    result = std::to_chars(wide.data(), wide.data() + wide.size(), value, format, precision);
    out.append(wide.data(), static_cast<std::size_t>(result.ptr - wide.data()));
}

// The decade of magnitude (in [10^-4, 10^digits)) judged by doubles. 10^-k is not a double,
// so the exact value may lie on the other side of a power of ten: the caller corrects by one.
int EstimatedDecade(double magnitude, int digits) {
    static constexpr std::array<double, 4 + kMostFastDigits> kDecades{
        1e-4, 1e-3, 1e-2, 1e-1, 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
    int decade = kLowestDecade;
    while (decade + 1 < digits &&
           magnitude >= kDecades[static_cast<std::size_t>(decade + 1 - kLowestDecade)])
        ++decade;
    return decade;
}

}  // namespace

void AppendFixed(std::string& out, double value, int decimals) {
    const double magnitude = std::fabs(value);
    if (decimals < 0 || decimals > kMostFastDigits || !(magnitude < kFastFixedLimit)) {
        AppendSlowly(out, value, std::chars_format::fixed, decimals);
        return;
    }
    AppendScaled(out, std::signbit(value), RoundedScaled(magnitude, decimals), decimals);
}

void AppendGeneral(std::string& out, double value, int digits) {
    // "%g" takes a precision of 0 as 1.
    if (digits == 0) digits = 1;
    const double magnitude = std::fabs(value);
    const bool negative = std::signbit(value);
    if (magnitude == 0 && digits > 0) {
        out += negative ? "-0" : "0";
        return;
    }
    if (digits < 0 || digits > kMostFastDigits || !(magnitude >= kFastGeneralLow) ||
        !(magnitude < static_cast<double>(kPowersOfTen[static_cast<std::size_t>(digits)]))) {
        AppendSlowly(out, value, std::chars_format::general, digits);
        return;
    }
    // Round to digits significant digits in the estimated decade, then move one decade when
    // the rounded value falls outside [10^(digits-1), 10^digits).
    const std::uint64_t lowest = kPowersOfTen[static_cast<std::size_t>(digits - 1)];
    const std::uint64_t limit = kPowersOfTen[static_cast<std::size_t>(digits)];
    int decade = EstimatedDecade(magnitude, digits);
    std::uint64_t rounded = RoundedScaled(magnitude, digits - 1 - decade);
    while (rounded > limit || rounded < lowest) {
        decade += rounded > limit ? 1 : -1;
        rounded = RoundedScaled(magnitude, digits - 1 - decade);
    }
    if (rounded == limit) {
        // Rounded up to the next power of ten: one digit fewer after the point.
        ++decade;
        rounded = lowest;
    }
    if (decade >= digits) {
        AppendSlowly(out, value, std::chars_format::general, digits);
        return;
    }
    // "%g" drops the trailing zeros of the decimals, and the point with them.
    int decimals = digits - 1 - decade;
    while (decimals > 0 && rounded % 10 == 0) {
        rounded /= 10;
        --decimals;
    }
    AppendScaled(out, negative, rounded, decimals);
}

}  // namespace tonalyx::requests
