#include "requests/IntervalRows.h"

namespace tonalyx::requests {

namespace {

void Row(TableWriter& table, const AnnotationTier& tier, std::size_t index, double start,
         double end, const std::string& label) {
    table.Field(tier.name).Text(tier.kind == TierKind::Interval ? "interval" : "point");
    table.Integer(static_cast<long long>(index + 1)).Text(TimeText(start)).Text(TimeText(end));
    table.Field(label).EndLine();
}

}  // namespace

void WriteIntervalHeader(TableWriter& table) {
    table.Header({"tier", "kind", "index", "start_s", "end_s", "label"});
}

void WriteIntervalRows(TableWriter& table, const TextGrid& grid) {
    for (const AnnotationTier& tier : grid.tiers) {
        for (std::size_t i = 0; i < tier.intervals.size(); ++i) {
            const AnnotationInterval& interval = tier.intervals[i];
            Row(table, tier, i, interval.start, interval.end, interval.label);
        }
        for (std::size_t i = 0; i < tier.points.size(); ++i) {
            const AnnotationPoint& point = tier.points[i];
            Row(table, tier, i, point.time, point.time, point.label);
        }
    }
}

}  // namespace tonalyx::requests
