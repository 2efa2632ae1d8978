#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tonalyx {

enum class TextEncoding { Utf8, Utf16BigEndian, Utf16LittleEndian };

// Where a text cannot be read, and why: line from 1.
struct TextFault {
    int line = 0;
    std::string reason;
};

// The bytes of a text file as UTF-8: UTF-16 in either byte order when it starts with its
// byte-order mark, else UTF-8 (a leading mark dropped). Refuses, with the line, bytes that are
// not valid in their encoding (a lone surrogate, an overlong or cut UTF-8 sequence, an odd
// byte at the end of UTF-16) and NUL characters, which no text file holds.
std::optional<TextFault> DecodeText(std::span<const std::uint8_t> bytes, std::string& utf8,
                                    TextEncoding& encoding);

// The characters (code points) of UTF-8 text; nothing when it is not valid UTF-8.
std::optional<std::u32string> CodePointsOfUtf8(std::string_view utf8);

}  // namespace tonalyx
