#pragma once

#include "annotations/TextGrid.h"
#include "requests/TableWriter.h"

namespace tonalyx::requests {

// The header of the annotation table: "tier,kind,index,start_s,end_s,label" after the file
// column.
void WriteIntervalHeader(TableWriter& table);

// One row per interval and per point of every tier, tier by tier: the tier's name, "interval"
// or "point", the number from 1, the times as the TextGrid holds them (a point's time as both
// start and end), and the label, quoted as a file name is.
void WriteIntervalRows(TableWriter& table, const TextGrid& grid);

}  // namespace tonalyx::requests
