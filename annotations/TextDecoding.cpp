#include "annotations/TextDecoding.h"

namespace tonalyx {

namespace {

void AppendUtf8(std::uint32_t code, std::string& out) {
    const auto byte = [&out](std::uint32_t value) { out.push_back(static_cast<char>(value)); };
    if (code < 0x80) {
        byte(code);
    } else if (code < 0x800) {
        byte(0xC0 | (code >> 6));
        byte(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        byte(0xE0 | (code >> 12));
        byte(0x80 | ((code >> 6) & 0x3F));
        byte(0x80 | (code & 0x3F));
    } else {
        byte(0xF0 | (code >> 18));
        byte(0x80 | ((code >> 12) & 0x3F));
        byte(0x80 | ((code >> 6) & 0x3F));
        byte(0x80 | (code & 0x3F));
    }
}

std::optional<TextFault> DecodeUtf16(std::span<const std::uint8_t> bytes, bool bigEndian,
                                     std::string& out) {
    int line = 1;
    const auto unit = [&](std::size_t i) -> std::uint32_t {
        return bigEndian ? (bytes[i] << 8) | bytes[i + 1] : bytes[i] | (bytes[i + 1] << 8);
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        std::uint32_t code = unit(i);
        if (code == 0) return TextFault{line, "a NUL character"};
        if (code >= 0xDC00 && code <= 0xDFFF) {
            return TextFault{line, "invalid UTF-16: a low surrogate without its high one"};
        }
        if (code >= 0xD800 && code <= 0xDBFF) {
            const std::uint32_t low = i + 3 < bytes.size() ? unit(i + 2) : 0;
            if (low < 0xDC00 || low > 0xDFFF) {
                return TextFault{line, "invalid UTF-16: a high surrogate without its low one"};
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        if (code == '\n') ++line;
        AppendUtf8(code, out);
    }
    if (i < bytes.size()) return TextFault{line, "invalid UTF-16: an odd byte at the end"};
    return std::nullopt;
}

// The length of the UTF-8 sequence at bytes[i], or 0 when it is not a valid one; its code
// point into *decoded unless that is null.
std::size_t Utf8Length(std::span<const std::uint8_t> bytes, std::size_t i,
                       char32_t* decoded = nullptr) {
    const std::uint8_t lead = bytes[i];
    if (lead < 0x80) {
        if (decoded) *decoded = lead;
        return 1;
    }
    std::size_t length = 0;
    std::uint32_t code = 0;
    std::uint32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((bytes[i + k] & 0xC0) != 0x80) return 0;
        code = (code << 6) | (bytes[i + k] & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (code < least || code > 0x10FFFF || surrogate) return 0;
    if (decoded) *decoded = static_cast<char32_t>(code);
    return length;
}

std::optional<TextFault> CheckUtf8(std::span<const std::uint8_t> bytes, std::string& out) {
    int line = 1;
    for (std::size_t i = 0; i < bytes.size();) {
        if (bytes[i] == 0) return TextFault{line, "a NUL character"};
        if (bytes[i] == '\n') ++line;
        const std::size_t length = Utf8Length(bytes, i);
        if (length == 0) {
            return TextFault{line,
                             "invalid UTF-8 (a file in another encoding must be saved as "
                             "UTF-8 or UTF-16)"};
        }
        i += length;
    }
    out.assign(bytes.begin(), bytes.end());
    return std::nullopt;
}

}  // namespace

std::optional<TextFault> DecodeText(std::span<const std::uint8_t> bytes, std::string& utf8,
                                    TextEncoding& encoding) {
    utf8.clear();
    if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        encoding = TextEncoding::Utf16BigEndian;
        return DecodeUtf16(bytes.subspan(2), true, utf8);
    }
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        encoding = TextEncoding::Utf16LittleEndian;
        return DecodeUtf16(bytes.subspan(2), false, utf8);
    }
    encoding = TextEncoding::Utf8;
    const bool marked =
        bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
    return CheckUtf8(bytes.subspan(marked ? 3 : 0), utf8);
}

std::optional<std::u32string> CodePointsOfUtf8(std::string_view utf8) {
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(utf8.data()),
                                              utf8.size());
    std::u32string codes;
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t code = 0;
        const std::size_t length = Utf8Length(bytes, i, &code);
        if (length == 0) return std::nullopt;
        codes.push_back(code);
        i += length;
    }
    return codes;
}

}  // namespace tonalyx
