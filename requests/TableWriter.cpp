#include "requests/TableWriter.h"

#include <charconv>

#include "requests/NumberText.h"

namespace tonalyx::requests {

namespace {

constexpr std::size_t kFlushSize = 1 << 16;

// The file column's text. CSV quotes a name that holds a separator, a quote or a line break,
// with its quotes doubled. TSV has no quoting: a tab, a line break or a carriage return would
// start a new field or row, so they are written as \t, \n and \r, and a backslash as \\,
// which keeps every name readable back unchanged.
std::string FileField(std::string_view name, TableFormat format) {
    if (format == TableFormat::Tsv) {
        std::string escaped;
        for (char c : name) {
            const char* escape = c == '\t'   ? "\\t"
                                 : c == '\n' ? "\\n"
                                 : c == '\r' ? "\\r"
                                 : c == '\\' ? "\\\\"
                                             : nullptr;
            if (escape) {
                escaped += escape;
            } else {
                escaped += c;
            }
        }
        return escaped;
    }
    if (name.find_first_of(",\"\r\n") == std::string::npos) return std::string(name);
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

}  // namespace

TableWriter::TableWriter(std::ostream& out, TableFormat format, std::string_view fileName)
    : out_(out),
      separator_(format == TableFormat::Csv ? ',' : '\t'),
      hasFileColumn_(!fileName.empty()),
      fileField_(FileField(fileName, format)) {
    buffer_.reserve(kFlushSize + 256);
}

TableWriter::~TableWriter() {
    Flush();
}

void TableWriter::Header(std::initializer_list<std::string_view> names) {
    StartLine("file");
    for (std::string_view name : names)
        Text(name);
    EndLine();
}

void TableWriter::Header(std::span<const std::string> names) {
    StartLine("file");
    for (const std::string& name : names)
        Text(name);
    EndLine();
}

void TableWriter::StartLine(std::string_view fileField) {
    lineStarted_ = true;
    fieldsInLine_ = 0;
    if (!hasFileColumn_) return;
    ++fieldsInLine_;
    buffer_ += fileField;
}

void TableWriter::Separate() {
    if (!lineStarted_) StartLine(fileField_);
    if (fieldsInLine_ > 0) buffer_ += separator_;
    ++fieldsInLine_;
}

TableWriter& TableWriter::Text(std::string_view field) {
    Separate();
    buffer_ += field;
    return *this;
}

TableWriter& TableWriter::Field(std::string_view text) {
    return Text(FileField(text, separator_ == ',' ? TableFormat::Csv : TableFormat::Tsv));
}

TableWriter& TableWriter::Integer(long long value) {
    Separate();
    char text[24];
    const char* end = std::to_chars(text, text + sizeof text, value).ptr;
    buffer_.append(text, static_cast<std::size_t>(end - text));
    return *this;
}

TableWriter& TableWriter::Fixed(double value, int decimals) {
    Separate();
    AppendFixed(buffer_, value, decimals);
    return *this;
}

TableWriter& TableWriter::General(double value, int digits) {
    Separate();
    AppendGeneral(buffer_, value, digits);
    return *this;
}

TableWriter& TableWriter::Missing(MissingValues missing) {
    Separate();
    if (missing == MissingValues::NaN) buffer_ += "NaN";
    return *this;
}

void TableWriter::EndLine() {
    buffer_ += '\n';
    lineStarted_ = false;
    if (buffer_.size() >= kFlushSize) Flush();
}

void TableWriter::Flush() {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
}

}  // namespace tonalyx::requests
