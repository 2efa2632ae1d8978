#include "annotations/TextGridWriter.h"

namespace tonalyx {

namespace {

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// Writes each value on a line of its own; the long form names it first, indented.
class FieldWriter {
public:
    explicit FieldWriter(TextGridForm form) : long_(form == TextGridForm::Long) {}

    void Value(int indent, const std::string& name, const std::string& value) {
        if (long_) {
            out_.append(static_cast<std::size_t>(indent) * 4, ' ');
            out_ += name + " = " + value + " \n";
        } else {
            out_ += value + "\n";
        }
    }
    void Time(int indent, const std::string& name, double value) {
        Value(indent, name, TimeText(value));
    }
    void Text(int indent, const std::string& name, const std::string& value) {
        Value(indent, name, Quoted(value));
    }
    // A line the long form alone writes: "item [1]:".
    void Heading(int indent, const std::string& text) {
        if (!long_) return;
        out_.append(static_cast<std::size_t>(indent) * 4, ' ');
        out_ += text + "\n";
    }
    void Raw(const std::string& text) { out_ += text; }

    std::string Take() { return std::move(out_); }

private:
    bool long_;
    std::string out_;
};

}  // namespace

std::string TextGridText(const TextGrid& grid, TextGridForm form) {
    const bool isLong = form == TextGridForm::Long;
    FieldWriter out(form);
    out.Raw("File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n");
    out.Time(0, "xmin", grid.start);
    out.Time(0, "xmax", grid.end);
    const bool any = !grid.tiers.empty();
    out.Raw(isLong ? (any ? "tiers? <exists> \n" : "tiers? <absent> \n")
                   : (any ? "<exists>\n" : "<absent>\n"));
    if (!any) return out.Take();
    out.Value(0, "size", std::to_string(grid.tiers.size()));
    out.Heading(0, "item []: ");
    for (std::size_t t = 0; t < grid.tiers.size(); ++t) {
        const AnnotationTier& tier = grid.tiers[t];
        const bool intervals = tier.kind == TierKind::Interval;
        out.Heading(1, "item [" + std::to_string(t + 1) + "]:");
        out.Text(2, "class", intervals ? "IntervalTier" : "TextTier");
        out.Text(2, "name", tier.name);
        out.Time(2, "xmin", tier.start);
        out.Time(2, "xmax", tier.end);
        const std::size_t count = intervals ? tier.intervals.size() : tier.points.size();
        out.Value(2, intervals ? "intervals: size" : "points: size", std::to_string(count));
        for (std::size_t i = 0; i < count; ++i) {
            const std::string index = "[" + std::to_string(i + 1) + "]:";
            if (intervals) {
                const AnnotationInterval& interval = tier.intervals[i];
                out.Heading(2, "intervals " + index);
                out.Time(3, "xmin", interval.start);
                out.Time(3, "xmax", interval.end);
                out.Text(3, "text", interval.label);
            } else {
                const AnnotationPoint& point = tier.points[i];
                out.Heading(2, "points " + index);
                out.Time(3, "number", point.time);
                out.Text(3, "mark", point.label);
            }
        }
    }
    return out.Take();
}

}  // namespace tonalyx
