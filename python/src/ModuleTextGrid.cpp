#include "python/src/ModuleTextGrid.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <stdexcept>
#include <variant>

#include "annotations/TextGridReader.h"
#include "python/src/ModuleAnalyses.h"
#include "python/src/ModuleLock.h"
#include "python/src/ModuleSound.h"
#include "requests/IntervalMeasure.h"
#include "requests/TextGridFiles.h"

namespace py = pybind11;

namespace tonalyx::python {

namespace {

class TextGridRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

constexpr const char* kIntervalKind = "interval";
constexpr const char* kPointKind = "point";

// (start, end, [(name, kind, items)]), items (start, end, label) or (time, label).
py::tuple GridToPython(const TextGrid& grid) {
    py::list tiers;
    for (const AnnotationTier& tier : grid.tiers) {
        py::list items;
        for (const AnnotationInterval& interval : tier.intervals)
            items.append(py::make_tuple(interval.start, interval.end, interval.label));
        for (const AnnotationPoint& point : tier.points)
            items.append(py::make_tuple(point.time, point.label));
        const bool intervals = tier.kind == TierKind::Interval;
        tiers.append(py::make_tuple(tier.name, intervals ? kIntervalKind : kPointKind, items));
    }
    return py::make_tuple(grid.start, grid.end, tiers);
}

TextGrid GridFromPython(double start, double end, const py::list& tiers) {
    TextGrid grid{start, end, {}};
    for (const py::handle entry : tiers) {
        const auto [name, kind, items] =
            entry.cast<std::tuple<std::string, std::string, py::list>>();
        AnnotationTier tier{name, TierKind::Interval, start, end, {}, {}};
        if (kind == kPointKind) {
            tier.kind = TierKind::Point;
            for (const py::handle item : items) {
                const auto [time, label] = item.cast<std::tuple<double, std::string>>();
                tier.points.push_back({time, label});
            }
        } else if (kind == kIntervalKind) {
            for (const py::handle item : items) {
                const auto [from, to, label] = item.cast<std::tuple<double, double, std::string>>();
                tier.intervals.push_back({from, to, label});
            }
        } else {
            throw UsageProblem("a tier's kind must be \"interval\" or \"point\", not \"" + kind +
                               "\"");
        }
        grid.tiers.push_back(std::move(tier));
    }
    return grid;
}

// The measure table's rows of one sound: the interval numbers (from 1), labels, and per row
// the numbers from start_s on, NaN where missing.
struct MeasureResult {
    std::vector<std::string> columns;
    std::vector<long long> numbers;
    std::vector<std::string> labels;
    std::vector<double> values;
    std::string notes;
};

MeasureResult Measure(const ModuleSound& sound, const TextGrid& grid,
                      const requests::AnalysisRequest& request) {
    const requests::RecordSet records = CheckedRecords(request, false);
    if (auto refused = requests::CheckMeasureRequest(request)) throw UsageProblem(*refused);
    std::string why;
    const AnnotationTier* tier = requests::FindIntervalTier(grid, request.tier, why);
    if (!tier) throw UsageProblem(why);
    const SoundData& data = *sound.data;
    const std::span<const std::int16_t> samples(data.samples.data(),
                                                static_cast<std::size_t>(data.sampleCount));
    const auto settings = requests::IntervalMeasureSettingsOf(request, records);
    MeasureResult result;
    result.columns = requests::MeasureColumns(settings.points);
    for (const std::size_t index : requests::SelectIntervals(*tier, request.labels)) {
        const AnnotationInterval& interval = tier->intervals[index];
        const requests::IntervalMeasurement m = requests::MeasureInterval(
            SpanReader(samples), data.sampleCount, static_cast<int>(data.format.sampleRate),
            interval.start, interval.end, settings);
        for (const std::string& note : m.notes)
            result.notes += "interval " + std::to_string(index + 1) + ": " + note + "\n";
        result.numbers.push_back(static_cast<long long>(index + 1));
        result.labels.push_back(interval.label);
        result.values.insert(result.values.end(),
                             {interval.start, interval.end, interval.end - interval.start, m.f0Mean,
                              m.f0Median, m.f0Min, m.f0Max, m.voicedShare, m.intensityDb});
        result.values.insert(result.values.end(), std::begin(m.formantMeans),
                             std::end(m.formantMeans));
        result.values.insert(result.values.end(), m.formantsAtPoints.begin(),
                             m.formantsAtPoints.end());
    }
    return result;
}

}  // namespace

void AddTextGridFunctions(py::module_& module) {
    static py::exception<TextGridRefused> textGridError(
        module, "TextGridError", py::module_::import("builtins").attr("ValueError"));
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const TextGridRefused& error) {
            PyErr_SetString(textGridError.ptr(), error.what());
        }
    });
    module.def(
        "read_textgrid",
        [](const std::string& path) {
            TextGrid grid;
            if (auto refused = WithoutTheLock([&] { return ReadTextGridFile(path, grid); })) {
                throw TextGridRefused(*refused);
            }
            return GridToPython(grid);
        },
        py::arg("path"));
    module.def(
        "write_textgrid",
        [](const std::string& path, double start, double end, const py::list& tiers,
           const std::string& format) {
            const std::optional<TextGridForm> form = requests::TextGridFormOfName(format);
            if (!form) {
                throw UsageProblem("format must be \"long\" or \"short\", not \"" + format + "\"");
            }
            const TextGrid grid = GridFromPython(start, end, tiers);
            if (auto refused = WithoutTheLock(
                    [&] { return requests::WriteTextGridFile(path, grid, *form); })) {
                throw TextGridRefused(*refused);
            }
        },
        py::arg("path"), py::arg("start"), py::arg("end"), py::arg("tiers"), py::arg("format"));
    module.def(
        "measure",
        [](const ModuleSound& sound, double start, double end, const py::list& tiers,
           const std::string& tier, std::optional<std::string> labels,
           const std::vector<double>& points, const std::variant<double, std::string>& ceiling,
           int count, double window, double preemphasis, double minPitch,
           const std::vector<std::string>& settings) {
            requests::AnalysisRequest request;
            request.tier = tier;
            request.labels = std::move(labels);
            request.points = points;
            SetCeiling(request, ceiling);
            request.formantCount = count;
            request.window = window;
            request.preEmphasis = preemphasis;
            request.minPitch = minPitch;
            request.settings = settings;
            const TextGrid grid = GridFromPython(start, end, tiers);
            MeasureResult result = WithoutTheLock([&] { return Measure(sound, grid, request); });
            const auto rows = static_cast<py::ssize_t>(result.numbers.size());
            const auto width = static_cast<py::ssize_t>(result.columns.size()) - 3;
            py::array_t<double> values({rows, width});
            std::copy(result.values.begin(), result.values.end(), values.mutable_data());
            return py::make_tuple(result.columns, result.numbers, result.labels, values,
                                  result.notes);
        },
        py::arg("sound"), py::arg("start"), py::arg("end"), py::arg("tiers"), py::arg("tier"),
        py::arg("labels"), py::arg("points"), py::arg("ceiling"), py::arg("count"),
        py::arg("window"), py::arg("preemphasis"), py::arg("min_pitch"), py::arg("settings"));
}

}  // namespace tonalyx::python
