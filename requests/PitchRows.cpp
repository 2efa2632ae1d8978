#include "requests/PitchRows.h"

namespace tonalyx::requests {

namespace {

constexpr int kTimeDecimals = 6;
constexpr int kFrequencyDigits = 6;

}  // namespace

void WritePitchHeader(TableWriter& table) {
    table.Header({"index", "time_s", "f0_hz"});
}

void WritePitchRow(TableWriter& table, MissingValues missing, std::int64_t index, double seconds,
                   double f0) {
    table.Integer(index).Fixed(seconds, kTimeDecimals);
    if (f0 == 0 && missing != MissingValues::Window) {
        table.Missing(missing);
    } else {
        table.General(f0, kFrequencyDigits);
    }
    table.EndLine();
}

}  // namespace tonalyx::requests
