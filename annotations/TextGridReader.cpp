#include "annotations/TextGridReader.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

#include <sys/stat.h>

namespace tonalyx {

namespace {

// Thrown inside the reader only: the fault that stops it.
struct Refusal {
    TextFault fault;
};

struct Token {
    enum Kind { End, Number, Text, Flag } kind = End;
    std::string text;  // a text's contents, a flag's name, a number as written
    double number = 0;
    int line = 1;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Hands out the numbers, texts and flags of the file, passing over words and comments.
class Lexer {
public:
    explicit Lexer(std::string_view text) : text_(text) {}

    Token Next() {
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (IsBlank(c)) {
                Advance();
            } else if (c == '!') {
                while (at_ < text_.size() && text_[at_] != '\n')
                    ++at_;
            } else if (c == '"') {
                return QuotedText();
            } else if (c == '<') {
                return FlagToken();
            } else if (c == '[') {
                SkipBrackets();
            } else if (StartsNumber()) {
                return NumberToken();
            } else {
                SkipWord();
            }
        }
        return Token{Token::End, {}, 0, line_};
    }

private:
    void Advance() {
        if (text_[at_] == '\n') ++line_;
        ++at_;
    }

    [[noreturn]] void Refuse(int line, std::string reason) const {
        throw Refusal{{line, std::move(reason)}};
    }

    bool StartsNumber() const {
        std::size_t i = at_;
        if (text_[i] == '+' || text_[i] == '-') ++i;
        if (i < text_.size() && text_[i] == '.') ++i;
        return i < text_.size() && IsDigit(text_[i]);
    }

    Token QuotedText() {
        Token token{Token::Text, {}, 0, line_};
        ++at_;
        while (true) {
            if (at_ >= text_.size()) Refuse(token.line, "a text opened here is never closed");
            if (text_[at_] == '"') {
                if (at_ + 1 < text_.size() && text_[at_ + 1] == '"') {
                    token.text.push_back('"');
                    at_ += 2;
                    continue;
                }
                ++at_;
                return token;
            }
            token.text.push_back(text_[at_]);
            Advance();
        }
    }

    Token FlagToken() {
        const std::size_t close = text_.find('>', at_);
        const std::size_t lineEnd = text_.find('\n', at_);
        if (close == std::string_view::npos || close > lineEnd) {
            Refuse(line_, "a '<' without its '>'");
        }
        Token token{Token::Flag, std::string(text_.substr(at_ + 1, close - at_ - 1)), 0, line_};
        at_ = close + 1;
        return token;
    }

    void SkipBrackets() {
        const std::size_t close = text_.find(']', at_);
        const std::size_t lineEnd = text_.find('\n', at_);
        if (close == std::string_view::npos || close > lineEnd) {
            Refuse(line_, "a '[' without its ']'");
        }
        at_ = close + 1;
    }

    Token NumberToken() {
        Token token{Token::Number, {}, 0, line_};
        const char* first = text_.data() + at_;
        const char* from = *first == '+' ? first + 1 : first;
        const auto result = std::from_chars(from, text_.data() + text_.size(), token.number);
        if (result.ec != std::errc() || !std::isfinite(token.number)) {
            Refuse(line_, "the number '" + std::string(first, result.ptr) + "' is out of range");
        }
        token.text.assign(first, result.ptr);
        at_ += static_cast<std::size_t>(result.ptr - first);
        return token;
    }

    void SkipWord() {
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (IsBlank(c) || c == '"' || c == '<' || c == '[' || c == '!') return;
            ++at_;
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
    int line_ = 1;
};

std::string Describe(const Token& token) {
    switch (token.kind) {
        case Token::End:
            return "the end of the file";
        case Token::Number:
            return "the number " + token.text;
        case Token::Text:
            return "the text \"" + token.text.substr(0, 40) + "\"";
        case Token::Flag:
            return "<" + token.text + ">";
    }
    return {};
}

// Reads the grid from the tokens in the order both forms write them.
class Parser {
public:
    explicit Parser(std::string_view text) : lexer_(text) {}

    void Read(TextGrid& grid) {
        const std::string type = Text("the file type");
        if (type != "ooTextFile" && type != "ooTextFile short") {
            Refuse(last_.line, "the file type is \"" + type + "\", not \"ooTextFile\"");
        }
        const std::string objectClass = Text("the object class");
        if (objectClass != "TextGrid") {
            Refuse(last_.line, "the object is a \"" + objectClass + "\", not a TextGrid");
        }
        grid.start = Number("the TextGrid's start time");
        grid.end = Number("the TextGrid's end time");
        if (!(grid.end > grid.start)) {
            Refuse(last_.line, "the TextGrid's end time is not after its start time");
        }
        const Token flag = Expect(Token::Flag, "<exists> or <absent>");
        if (flag.text != "exists" && flag.text != "absent") {
            Refuse(flag.line, "<" + flag.text + "> where <exists> or <absent> should be");
        }
        const std::int64_t count = flag.text == "exists" ? Count("the number of tiers") : 0;
        for (std::int64_t i = 0; i < count; ++i)
            grid.tiers.push_back(Tier(i + 1));
        const Token rest = lexer_.Next();
        if (rest.kind != Token::End) {
            Refuse(rest.line, Describe(rest) + " after the last tier (the file says " +
                                  std::to_string(count) + (count == 1 ? " tier)" : " tiers)"));
        }
    }

private:
    [[noreturn]] void Refuse(int line, std::string reason) const {
        throw Refusal{{line, std::move(reason)}};
    }

    Token Expect(Token::Kind kind, const std::string& what) {
        last_ = lexer_.Next();
        if (last_.kind == Token::End) {
            Refuse(last_.line, "the file ends where " + what +
                                   " should be (truncated, or a count "
                                   "larger than the items that follow)");
        }
        if (last_.kind != kind)
            Refuse(last_.line, Describe(last_) + " where " + what + " should be");
        return last_;
    }

    std::string Text(const std::string& what) { return Expect(Token::Text, what).text; }
    double Number(const std::string& what) { return Expect(Token::Number, what).number; }

    std::int64_t Count(const std::string& what) {
        const double value = Number(what);
        if (value < 0 || value != std::floor(value) || value > 9e18) {
            Refuse(last_.line, what + " must be a whole number of at least 0, not " + last_.text);
        }
        return static_cast<std::int64_t>(value);
    }

    AnnotationTier Tier(std::int64_t number) {
        const std::string name = "tier " + std::to_string(number);
        AnnotationTier tier;
        const std::string kind = Text(name + "'s class");
        const int tierLine = last_.line;
        if (kind == "IntervalTier") {
            tier.kind = TierKind::Interval;
        } else if (kind == "TextTier") {
            tier.kind = TierKind::Point;
        } else {
            Refuse(tierLine, name + " is a \"" + kind + "\", not an IntervalTier or a TextTier");
        }
        tier.name = Text(name + "'s name");
        tier.start = Number(name + "'s start time");
        tier.end = Number(name + "'s end time");
        const bool intervals = tier.kind == TierKind::Interval;
        const std::string itemName = name + (intervals ? ", interval " : ", point ");
        const std::int64_t count =
            Count(name + (intervals ? "'s interval count" : "'s point count"));
        std::vector<int> lines;
        for (std::int64_t i = 1; i <= count; ++i) {
            const std::string item = itemName + std::to_string(i);
            if (intervals) {
                AnnotationInterval interval;
                interval.start = Number(item + "'s start time");
                lines.push_back(last_.line);
                interval.end = Number(item + "'s end time");
                interval.label = Text(item + "'s label");
                tier.intervals.push_back(std::move(interval));
            } else {
                AnnotationPoint point;
                point.time = Number(item + "'s time");
                lines.push_back(last_.line);
                point.label = Text(item + "'s label");
                tier.points.push_back(std::move(point));
            }
        }
        if (auto fault = CheckTier(tier)) {
            const int line = fault->item < lines.size() ? lines[fault->item] : tierLine;
            Refuse(line, name + " (\"" + tier.name + "\"): " + fault->reason);
        }
        return tier;
    }

    Lexer lexer_;
    Token last_;
};

}  // namespace

std::optional<TextFault> ParseTextGrid(std::span<const std::uint8_t> bytes, TextGrid& grid,
                                       TextEncoding* encoding) {
    std::string text;
    TextEncoding found = TextEncoding::Utf8;
    if (auto fault = DecodeText(bytes, text, found)) return fault;
    TextGrid read;
    try {
        Parser(text).Read(read);
    } catch (const Refusal& refusal) {
        return refusal.fault;
    }
    grid = std::move(read);
    if (encoding) *encoding = found;
    return std::nullopt;
}

std::optional<std::string> ReadTextGridFile(const std::string& path, TextGrid& grid,
                                            TextEncoding* encoding) {
    const std::string quoted = "'" + path + "'";
    const auto cannot = [&](const std::string& reason) {
        return "cannot read " + quoted + ": " + reason;
    };
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return cannot(std::generic_category().message(errno));
    if (!S_ISREG(info.st_mode)) return cannot("not a regular file");
    if (static_cast<std::uint64_t>(info.st_size) > kMaxTextGridBytes) {
        return cannot("larger than any TextGrid (over 256 MiB)");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return cannot(std::generic_category().message(errno));
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) return cannot(std::generic_category().message(errno));
    if (in.gcount() != static_cast<std::streamsize>(bytes.size()) || in.peek() != EOF) {
        return cannot("the file changed while it was read");
    }
    if (auto fault = ParseTextGrid(bytes, grid, encoding)) {
        return quoted + " line " + std::to_string(fault->line) + ": " + fault->reason;
    }
    return std::nullopt;
}

}  // namespace tonalyx
