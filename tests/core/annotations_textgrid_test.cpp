#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "annotations/TextGridReader.h"
#include "annotations/TextGridWriter.h"
#include "requests/TextGridFiles.h"

namespace tonalyx {
namespace {

// Written by Praat 6.3 (Create TextGrid, Insert boundary, Save as text file).
const std::string kPraatLong = R"(File type = "ooTextFile"
Object class = "TextGrid"

xmin = 0 
xmax = 2.3 
tiers? <exists> 
size = 2 
item []: 
    item [1]:
        class = "IntervalTier" 
        name = "words" 
        xmin = 0 
        xmax = 2.3 
        intervals: size = 3 
        intervals [1]:
            xmin = 0 
            xmax = 0.5 
            text = "" 
        intervals [2]:
            xmin = 0.5 
            xmax = 1.1 
            text = "he said ""hi""" 
        intervals [3]:
            xmin = 1.1 
            xmax = 2.3 
            text = "" 
    item [2]:
        class = "TextTier" 
        name = "bell" 
        xmin = 0 
        xmax = 2.3 
        points: size = 1 
        points [1]:
            number = 0.9 
            mark = "ding" 
)";

// The same grid as Praat's "Save as short text file" writes it.
const std::string kPraatShort =
    "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n0\n2.3\n"
    "<exists>\n2\n\"IntervalTier\"\n\"words\"\n0\n2.3\n3\n0\n0.5\n\"\"\n"
    "0.5\n1.1\n\"he said \"\"hi\"\"\"\n1.1\n2.3\n\"\"\n\"TextTier\"\n"
    "\"bell\"\n0\n2.3\n1\n0.9\n\"ding\"\n";

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::optional<TextFault> Parse(const std::string& text, TextGrid& grid) {
    return ParseTextGrid(Bytes(text), grid);
}

// UTF-8 text (no surrogates needed beyond what it holds) as UTF-16 with its byte-order mark.
std::string Utf16(const std::u32string& text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    const auto unit = [&](std::uint32_t u) {
        const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
        out += bigEndian ? std::string{high, low} : std::string{low, high};
    };
    for (const char32_t c : text) {
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
    return out;
}

std::u32string Widen(const std::string& ascii) {
    return std::u32string(ascii.begin(), ascii.end());
}

TextGrid HardGrid() {
    TextGrid grid;
    grid.start = 0.1;
    grid.end = 1.0 / 3 + 2;
    AnnotationTier words{"wörds \"x\"", TierKind::Interval, grid.start, grid.end, {}, {}};
    const double a = 0.1 + 1e-7, b = 2.0 / 3;
    words.intervals = {
        {grid.start, a, ""}, {a, b, "line one\nline two, \"quoted\"  "}, {b, grid.end, "ʃøn 😀"}};
    AnnotationTier marks{"", TierKind::Point, grid.start, grid.end, {}, {}};
    marks.points = {{0.123456789012345678, "p"}, {0.123456789012345678, ""}, {grid.end, "é"}};
    grid.tiers = {words, marks};
    return grid;
}

void ExpectSameGrid(const TextGrid& a, const TextGrid& b) {
    EXPECT_EQ(a.start, b.start);
    EXPECT_EQ(a.end, b.end);
    ASSERT_EQ(a.tiers.size(), b.tiers.size());
    for (std::size_t t = 0; t < a.tiers.size(); ++t) {
        const AnnotationTier &x = a.tiers[t], &y = b.tiers[t];
        EXPECT_EQ(x.name, y.name);
        EXPECT_EQ(x.kind, y.kind);
        EXPECT_EQ(x.start, y.start);
        EXPECT_EQ(x.end, y.end);
        ASSERT_EQ(x.intervals.size(), y.intervals.size());
        for (std::size_t i = 0; i < x.intervals.size(); ++i) {
            EXPECT_EQ(x.intervals[i].start, y.intervals[i].start);
            EXPECT_EQ(x.intervals[i].end, y.intervals[i].end);
            EXPECT_EQ(x.intervals[i].label, y.intervals[i].label);
        }
        ASSERT_EQ(x.points.size(), y.points.size());
        for (std::size_t i = 0; i < x.points.size(); ++i) {
            EXPECT_EQ(x.points[i].time, y.points[i].time);
            EXPECT_EQ(x.points[i].label, y.points[i].label);
        }
    }
}

TEST(TextGridFiles, PraatsLongAndShortFormsReadAsOneGrid) {
    TextGrid fromLong, fromShort;
    ASSERT_FALSE(Parse(kPraatLong, fromLong));
    ASSERT_FALSE(Parse(kPraatShort, fromShort));
    ExpectSameGrid(fromLong, fromShort);
    ASSERT_EQ(fromLong.tiers.size(), 2u);
    EXPECT_EQ(fromLong.end, 2.3);
    const AnnotationTier& words = fromLong.tiers[0];
    EXPECT_EQ(words.name, "words");
    ASSERT_EQ(words.intervals.size(), 3u);
    EXPECT_EQ(words.intervals[1].label, "he said \"hi\"");
    EXPECT_EQ(words.intervals[1].start, 0.5);
    EXPECT_EQ(words.intervals[2].end, 2.3);
    EXPECT_EQ(fromLong.tiers[1].kind, TierKind::Point);
    EXPECT_EQ(fromLong.tiers[1].points[0].time, 0.9);
    EXPECT_EQ(fromLong.tiers[1].points[0].label, "ding");
    // Our writer lays the file out as Praat does, to the byte.
    EXPECT_EQ(TextGridText(fromLong, TextGridForm::Long), kPraatLong);
    EXPECT_EQ(TextGridText(fromLong, TextGridForm::Short), kPraatShort);
    // Comments, CRLF line ends and numbers with units, as hand-edited files hold them.
    std::string edited =
        "\xEF\xBB\xBF"
        "File type = \"ooTextFile\"\r\nObject class = \"TextGrid\"\r\n"
        "! the grid\r\n0s 2.3s <exists> 1 \"IntervalTier\" \"w\" 0 2.3 1 ! one\r\n"
        "0 2.3 \"all\"\r\n";
    TextGrid handmade;
    ASSERT_FALSE(Parse(edited, handmade));
    EXPECT_EQ(handmade.tiers[0].intervals[0].label, "all");
}

TEST(TextGridFiles, EveryFormAndEncodingRoundTripsExactly) {
    const TextGrid grid = HardGrid();
    for (const TextGridForm form : {TextGridForm::Long, TextGridForm::Short}) {
        const std::string text = TextGridText(grid, form);
        TextGrid back;
        TextEncoding encoding = TextEncoding::Utf16BigEndian;
        ASSERT_FALSE(ParseTextGrid(Bytes(text), back, &encoding));
        EXPECT_EQ(encoding, TextEncoding::Utf8);
        ExpectSameGrid(grid, back);
        EXPECT_EQ(TextGridText(back, form), text);  // a second pass changes nothing
    }
    // Praat writes UTF-16 (big-endian, with its mark) when a label is not ASCII; the other
    // byte order reads too. A character beyond the BMP takes a surrogate pair.
    std::u32string wide = Widen(kPraatLong);
    wide.replace(wide.find(U"ding"), 4, U"d\u00efng \U0001F600");
    for (const bool bigEndian : {true, false}) {
        TextGrid back;
        TextEncoding encoding = TextEncoding::Utf8;
        ASSERT_FALSE(ParseTextGrid(Bytes(Utf16(wide, bigEndian)), back, &encoding));
        EXPECT_EQ(encoding,
                  bigEndian ? TextEncoding::Utf16BigEndian : TextEncoding::Utf16LittleEndian);
        EXPECT_EQ(back.tiers[1].points[0].label, "d\xC3\xAFng \xF0\x9F\x98\x80");
    }
    // Times are written as the shortest text that reads back as the same double.
    EXPECT_EQ(TimeText(0.1), "0.1");
    EXPECT_EQ(TimeText(2.3), "2.3");
    EXPECT_EQ(TimeText(0), "0");
}

struct HostileCase {
    std::string what;
    std::string text;
    int line;
    std::string reason;
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

TEST(TextGridFiles, HostileFilesAreRefusedWithTheirLineAndNeverHalfRead) {
    const std::string s = kPraatShort;
    const std::vector<HostileCase> cases = {
        {"overlap", Replace(s, "0.5\n1.1\n", "0.4\n1.1\n"), 16,
         "interval 2 starts at 0.4 s, but interval 1 ends at 0.5 s (they overlap)"},
        {"gap", Replace(s, "1.1\n2.3\n", "1.2\n2.3\n"), 19, "(a gap)"},
        {"short of the end", Replace(s, "1.1\n2.3\n\"\"", "1.1\n2.2\n\"\""), 19,
         "the last interval ends at 2.2 s, but the tier ends at 2.3 s"},
        {"empty interval", Replace(s, "0\n0.5\n", "0\n0\n"), 13, "interval 1 ends at 0 s"},
        {"count too large", Replace(s, "2.3\n3\n", "2.3\n4\n"), 22,
         "the text \"TextTier\" where tier 1, interval 4's start time"},
        {"count too small", Replace(s, "2.3\n3\n", "2.3\n2\n"), 16,
         "the last interval ends at 1.1 s, but the tier ends at 2.3 s"},
        {"too many tiers said", Replace(s, "<exists>\n2\n", "<exists>\n3\n"), 29,
         "the file ends where tier 3's class should be"},
        {"too few tiers said", Replace(s, "<exists>\n2\n", "<exists>\n1\n"), 22,
         "the text \"TextTier\" after the last tier (the file says 1 tier)"},
        {"huge count", Replace(s, "2.3\n3\n", "2.3\n1e18\n"), 22,
         "tier 1, interval 4's start time"},
        {"negative count", Replace(s, "2.3\n3\n", "2.3\n-3\n"), 12,
         "must be a whole number of at least 0, not -3"},
        {"fractional count", Replace(s, "2.3\n3\n", "2.3\n2.5\n"), 12, "not 2.5"},
        {"number for text", Replace(s, "\"words\"", "7"), 9,
         "the number 7 where tier 1's name should be"},
        {"unclosed label", Replace(s, "\"ding\"\n", "\"ding\n"), 28,
         "a text opened here is never closed"},
        {"unknown tier class", Replace(s, "\"TextTier\"", "\"PitchTier\""), 22,
         "tier 2 is a \"PitchTier\""},
        {"point out of span", Replace(s, "0.9\n\"ding\"", "2.5\n\"ding\""), 27,
         "point 1 at 2.5 s lies outside"},
        {"not a TextGrid", Replace(s, "\"TextGrid\"", "\"Pitch\""), 2, "not a TextGrid"},
        {"not a text file", Replace(s, "ooTextFile", "ooBinaryFile"), 1, "not \"ooTextFile\""},
        {"inverted grid", Replace(s, "\n0\n2.3\n<exists>", "\n2.3\n0\n<exists>"), 5,
         "end time is not after its start"},
        {"NUL byte", Replace(s, "words", std::string("wo\0ds", 5)), 9, "a NUL character"},
        {"invalid UTF-8",
         Replace(s, "words",
                 "wo\xC3"
                 "(ds"),
         9, "invalid UTF-8"},
        {"overlong UTF-8",
         Replace(s, "words",
                 "wo\xC0\xAF"
                 "ds"),
         9, "invalid UTF-8"},
        {"unclosed flag", Replace(s, "<exists>", "<exists"), 6, "a '<' without its '>'"},
        {"empty file", "", 1, "the file ends where the file type should be"},
        {"out of range", Replace(s, "0.9\n", "1e999\n"), 27, "out of range"},
    };
    for (const HostileCase& hostile : cases) {
        SCOPED_TRACE(hostile.what);
        TextGrid grid;
        grid.end = 42;
        const std::optional<TextFault> fault = Parse(hostile.text, grid);
        ASSERT_TRUE(fault.has_value());
        EXPECT_EQ(fault->line, hostile.line);
        EXPECT_NE(fault->reason.find(hostile.reason), std::string::npos) << fault->reason;
        EXPECT_EQ(grid.end, 42);  // untouched
        EXPECT_TRUE(grid.tiers.empty());
    }
    // Invalid UTF-16: lone surrogates in either order, an odd byte at the end.
    std::u32string wide = Widen(kPraatShort);
    const std::string good = Utf16(wide, true);
    const std::size_t at = good.find(std::string("\0d\0i\0n\0g", 8));
    for (const std::string& bad :
         {std::string("\xD8\x3D\x00\x64", 4), std::string("\xDC\x00", 2)}) {
        TextGrid grid;
        const auto fault = Parse(good.substr(0, at) + bad + good.substr(at + 2), grid);
        ASSERT_TRUE(fault.has_value());
        EXPECT_EQ(fault->line, 28);
        EXPECT_NE(fault->reason.find("invalid UTF-16"), std::string::npos) << fault->reason;
    }
    TextGrid grid;
    ASSERT_TRUE(Parse(good + "x", grid).has_value());
    // Every truncation of a file, at any byte, is refused, in either form.
    for (const std::string& whole : {kPraatLong, kPraatShort}) {
        const std::size_t lastQuote = whole.rfind('"');
        for (std::size_t length = 0; length <= lastQuote; ++length) {
            TextGrid cut;
            EXPECT_TRUE(Parse(whole.substr(0, length), cut).has_value()) << length;
        }
    }
}

TEST(TextGridFiles, FilesAreReadAndWrittenWholeWithTheirReasons) {
    const std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) /
                                         ("tonalyx_textgrid_" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "a.TextGrid").string();
    const TextGrid grid = HardGrid();
    ASSERT_FALSE(requests::WriteTextGridFile(path, grid, TextGridForm::Short));
    TextGrid back;
    ASSERT_FALSE(ReadTextGridFile(path, back));
    ExpectSameGrid(grid, back);
    // A grid whose tier does not tile is not written, and the old file stays.
    TextGrid broken = grid;
    broken.tiers[0].intervals[1].end += 0.01;
    const auto refused = requests::WriteTextGridFile(path, broken, TextGridForm::Long);
    ASSERT_TRUE(refused.has_value());
    EXPECT_NE(refused->find("tier 1 (\"wörds \"x\"\"): interval 3 starts at"), std::string::npos)
        << *refused;
    EXPECT_FALSE(ReadTextGridFile(path, back));
    EXPECT_EQ(TextGridText(back, TextGridForm::Short), TextGridText(grid, TextGridForm::Short));
    // Reading names the file and the line, or the system's reason.
    std::ofstream(folder / "bad.TextGrid") << Replace(kPraatShort, "0.5\n1.1\n", "0.4\n1.1\n");
    const auto bad = ReadTextGridFile((folder / "bad.TextGrid").string(), back);
    ASSERT_TRUE(bad.has_value());
    EXPECT_EQ(
        bad->rfind("'" + (folder / "bad.TextGrid").string() + "' line 16: tier 1 (\"words\")", 0),
        0u)
        << *bad;
    const auto missing = ReadTextGridFile((folder / "none.TextGrid").string(), back);
    ASSERT_TRUE(missing.has_value());
    EXPECT_NE(missing->find("No such file or directory"), std::string::npos);
    const auto notFile = ReadTextGridFile(folder.string(), back);
    ASSERT_TRUE(notFile.has_value());
    EXPECT_NE(notFile->find("not a regular file"), std::string::npos);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tonalyx
