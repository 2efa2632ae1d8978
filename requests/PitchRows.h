#pragma once

#include <cstdint>

#include "requests/TableWriter.h"

namespace tonalyx::requests {

// The header line of a pitch table: "index,time_s,f0_hz" after the file column.
void WritePitchHeader(TableWriter& table);

// One row of a pitch table: the value's index, its time in seconds and F0 in Hz, where an
// unvoiced 0 is written as missing chooses.
void WritePitchRow(TableWriter& table, MissingValues missing, std::int64_t index, double seconds,
                   double f0);

}  // namespace tonalyx::requests
