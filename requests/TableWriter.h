#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "requests/AnalysisRequest.h"

namespace tonalyx::requests {

// Writes a CSV or TSV table, buffered, with numbers formatted the same in every locale. When
// a file name is given, every line starts with it: tables of several files then concatenate
// into one.
class TableWriter {
public:
    TableWriter(std::ostream& out, TableFormat format, std::string_view fileName);
    ~TableWriter();
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    // The header line: "file" first when there is a file name, then the names given.
    void Header(std::initializer_list<std::string_view> names);
    void Header(std::span<const std::string> names);
    TableWriter& Text(std::string_view field);
    // A field that may hold anything (a label): quoted or escaped as the file column is.
    TableWriter& Field(std::string_view text);
    TableWriter& Integer(long long value);
    // value with that many decimals ("%.6f").
    TableWriter& Fixed(double value, int decimals);
    // value with that many significant digits, as "%.6g" writes it.
    TableWriter& General(double value, int digits);
    // A value the analysis could not give: an empty cell, or "NaN".
    TableWriter& Missing(MissingValues missing);
    void EndLine();

private:
    // Begins a line with the file column (when there is one) holding fileField, as written.
    void StartLine(std::string_view fileField);
    void Separate();
    void Flush();

    std::ostream& out_;
    const char separator_;
    const bool hasFileColumn_;
    // The file name as the file column holds it, quoted when needed.
    const std::string fileField_;
    std::string buffer_;
    bool lineStarted_ = false;
    int fieldsInLine_ = 0;
};

}  // namespace tonalyx::requests
