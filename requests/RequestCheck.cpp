#include "requests/RequestCheck.h"

#include <charconv>
#include <cstdio>
#include <limits>

#include "analysis/AnalysisKind.h"
#include "analysis/ViewGeometry.h"
#include "settings/OptionControls.h"

namespace tonalyx::requests {

namespace {

constexpr int kLargest = std::numeric_limits<int>::max();
// channelIndex takes the channels of the options dialog's channel control.
constexpr int kMaxChannelIndex = kLChannelIDGRange.max - 1;
// The longest read that 64 bits of frames hold at every rate a file can state (32 bits).
constexpr double kMostSeconds = 2147483648.0;
// One sample period at the highest rate a file can state; a file's own rate is checked when it
// is opened.
constexpr double kShortestStep = 1.0 / 4294967295.0;

bool IsPowerOfTwo(int value) {
    return value > 0 && (value & (value - 1)) == 0;
}

// The shortest text that reads back as the value: "2147483649", "0.25", "1e-10".
std::string ValueText(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return {text, end};
}

std::string WholeRange(int min, int max) {
    return "a whole number from " + std::to_string(min) + " to " + std::to_string(max);
}

void Check(bool inRange, RequestField field, const std::string& value, const FieldNames& names,
           std::vector<std::string>& refusals) {
    if (!inRange) refusals.push_back(OutsideRange(field, value, names));
}

struct KindName {
    std::string_view name;
    int kind;
};

constexpr KindName kKinds[] = {{"fft", FftAnalysis},      {"ac", AutoCorrelationAnalysis},
                               {"cep", CepstrumAnalysis}, {"lif", LifteringAnalysis},
                               {"mem", MemAnalysis},      {"pitch", PitchAnalysis}};

}  // namespace

std::optional<int> KindOfName(std::string_view name) {
    for (const KindName& kind : kKinds) {
        if (kind.name == name) return kind.kind;
    }
    return std::nullopt;
}

std::optional<TableFormat> TableFormatOfName(std::string_view name) {
    if (name == "csv") return TableFormat::Csv;
    if (name == "tsv") return TableFormat::Tsv;
    return std::nullopt;
}

std::optional<MissingValues> MissingValuesOfName(std::string_view name) {
    if (name == "empty") return MissingValues::Empty;
    if (name == "nan") return MissingValues::NaN;
    return std::nullopt;
}

std::string AcceptedValues(RequestField field) {
    switch (field) {
        case RequestField::Columns:
            return WholeRange(1, kMaxViewColumns);
        case RequestField::SamplesPerColumn:
            return "a power of two from 1 to " + std::to_string(kMaxSamplesPerPixel);
        case RequestField::FirstColumn:
        case RequestField::Column:
        case RequestField::ToColumn:
            return WholeRange(0, kLargest);
        case RequestField::Channel:
            return WholeRange(0, kMaxChannelIndex);
        case RequestField::MaxSeconds:
            return "a number of seconds above 0 and at most 2147483648";
        case RequestField::Step:
            return "a number of seconds of at least one sample period";
        case RequestField::Time:
        case RequestField::ToTime:
            return "a number of seconds from 0";
        case RequestField::Kind:
            return "fft, ac, cep, lif, mem or pitch";
        case RequestField::Format:
            return "csv or tsv";
        case RequestField::MissingAs:
            return "empty or nan";
        case RequestField::Ceiling:
            return "a frequency in Hz above 0, or auto";
        case RequestField::FormantCount:
            return WholeRange(1, 10);
        case RequestField::Window:
            return "a number of seconds above 0";
        case RequestField::PreEmphasis:
        case RequestField::MinPitch:
            return "a frequency in Hz above 0";
        case RequestField::Tier:
            return "the name of an interval tier";
        case RequestField::Labels:
            return "a regular expression (ECMAScript)";
        case RequestField::Points:
            return "fractions from 0 to 1, each given once, at most 100";
        case RequestField::Fit:
        case RequestField::Whole:
        case RequestField::Track:
            break;
    }
    return "on or off";
}

std::string CommandLineName(RequestField field) {
    switch (field) {
        case RequestField::Columns:
            return "--columns";
        case RequestField::SamplesPerColumn:
            return "--samples-per-column";
        case RequestField::FirstColumn:
            return "--first-column";
        case RequestField::Channel:
            return "--channel";
        case RequestField::MaxSeconds:
            return "--max-seconds";
        case RequestField::Step:
            return "--step";
        case RequestField::Column:
            return "--column";
        case RequestField::ToColumn:
            return "--to-column";
        case RequestField::Time:
            return "--time";
        case RequestField::ToTime:
            return "--to-time";
        case RequestField::Fit:
            return "--fit";
        case RequestField::Whole:
            return "--whole";
        case RequestField::Kind:
            return "--kind";
        case RequestField::Format:
            return "--format";
        case RequestField::MissingAs:
            return "--missing-as";
        case RequestField::Ceiling:
            return "--ceiling";
        case RequestField::FormantCount:
            return "--count";
        case RequestField::Window:
            return "--window";
        case RequestField::PreEmphasis:
            return "--preemphasis";
        case RequestField::Track:
            return "--track";
        case RequestField::MinPitch:
            return "--min-pitch";
        case RequestField::Tier:
            return "--tier";
        case RequestField::Labels:
            return "--labels";
        case RequestField::Points:
            return "--points";
    }
    return {};
}

std::string OutsideRange(RequestField field, std::string_view value, const FieldNames& names) {
    return names(field) + " must be " + AcceptedValues(field) + ", not '" + std::string(value) +
           "'";
}

std::vector<std::string> CheckRequest(const AnalysisRequest& request, const FieldNames& names) {
    std::vector<std::string> refusals;
    const ViewOptions& view = request.view;
    Check(view.columns >= 1 && view.columns <= kMaxViewColumns, RequestField::Columns,
          std::to_string(view.columns), names, refusals);
    if (view.samplesPerColumn) {
        const int zoom = *view.samplesPerColumn;
        Check(IsPowerOfTwo(zoom) && zoom <= kMaxSamplesPerPixel, RequestField::SamplesPerColumn,
              std::to_string(zoom), names, refusals);
    }
    if (view.firstColumn) {
        Check(*view.firstColumn >= 0, RequestField::FirstColumn, std::to_string(*view.firstColumn),
              names, refusals);
    }
    if (request.channel) {
        Check(*request.channel >= 0 && *request.channel <= kMaxChannelIndex, RequestField::Channel,
              std::to_string(*request.channel), names, refusals);
    }
    if (request.maxSeconds) {
        const double seconds = *request.maxSeconds;
        Check(seconds > 0 && seconds <= kMostSeconds, RequestField::MaxSeconds, ValueText(seconds),
              names, refusals);
    }
    if (request.step) {
        Check(*request.step >= kShortestStep, RequestField::Step, ValueText(*request.step), names,
              refusals);
    }
    if (request.column) {
        Check(*request.column >= 0, RequestField::Column, std::to_string(*request.column), names,
              refusals);
    }
    if (request.toColumn) {
        Check(*request.toColumn >= 0, RequestField::ToColumn, std::to_string(*request.toColumn),
              names, refusals);
    }
    if (request.time) {
        Check(*request.time >= 0, RequestField::Time, ValueText(*request.time), names, refusals);
    }
    if (request.toTime) {
        Check(*request.toTime >= 0, RequestField::ToTime, ValueText(*request.toTime), names,
              refusals);
    }
    if (request.ceiling) {
        Check(*request.ceiling > 0, RequestField::Ceiling, ValueText(*request.ceiling), names,
              refusals);
    }
    if (request.formantCount) {
        Check(*request.formantCount >= 1 && *request.formantCount <= 10, RequestField::FormantCount,
              std::to_string(*request.formantCount), names, refusals);
    }
    if (request.window) {
        Check(*request.window > 0, RequestField::Window, ValueText(*request.window), names,
              refusals);
    }
    if (request.preEmphasis) {
        Check(*request.preEmphasis > 0, RequestField::PreEmphasis, ValueText(*request.preEmphasis),
              names, refusals);
    }
    if (request.minPitch) {
        Check(*request.minPitch > 0, RequestField::MinPitch, ValueText(*request.minPitch), names,
              refusals);
    }
    if (request.track && request.formantCount.value_or(3) < 3) {
        refusals.push_back(names(RequestField::Track) + " joins F1, F2 and F3: it needs " +
                           names(RequestField::FormantCount) + " of at least 3");
    }
    if (request.whole && request.maxSeconds) {
        refusals.push_back(names(RequestField::Whole) + " reads all of each file: it takes no " +
                           names(RequestField::MaxSeconds));
    }
    if (view.fit && (view.samplesPerColumn || view.firstColumn)) {
        refusals.push_back(
            names(RequestField::Fit) + " spreads the sound over the columns: it takes neither " +
            names(RequestField::SamplesPerColumn) + " nor " + names(RequestField::FirstColumn));
    }
    if (request.toColumn && !request.column) {
        refusals.push_back(names(RequestField::ToColumn) + " needs " + names(RequestField::Column));
    } else if (request.toColumn && *request.toColumn < *request.column) {
        refusals.push_back(names(RequestField::ToColumn) + " must not lie before " +
                           names(RequestField::Column));
    }
    if (request.toTime && !request.time) {
        refusals.push_back(names(RequestField::ToTime) + " needs " + names(RequestField::Time));
    } else if (request.toTime && *request.toTime < *request.time) {
        refusals.push_back(names(RequestField::ToTime) + " must not lie before " +
                           names(RequestField::Time));
    }
    return refusals;
}

std::optional<std::string> CheckSpectrumRequest(const AnalysisRequest& request,
                                                const FieldNames& names) {
    const bool byColumn = request.column || request.toColumn;
    const bool byTime = request.time || request.toTime;
    if (byColumn && byTime) {
        return "spectrum takes " + names(RequestField::Column) + " or " +
               names(RequestField::Time) + ", not both";
    }
    if (!byColumn && !byTime) {
        return "spectrum needs " + names(RequestField::Column) + " C or " +
               names(RequestField::Time) + " T";
    }
    if (request.kind == PitchAnalysis) {
        return "spectrum has no levels for " + names(RequestField::Kind) + " pitch";
    }
    return std::nullopt;
}

std::optional<std::string> CheckStepForRate(double step, double rate, const FieldNames& names) {
    if (step * rate >= 1) return std::nullopt;
    char text[96];
    std::snprintf(text, sizeof text, " %g s is shorter than one sample period (%g s at %g Hz)",
                  step, 1 / rate, rate);
    return names(RequestField::Step) + text;
}

std::optional<std::string> BuildRecords(const AnalysisRequest& request, RecordSet& records,
                                        const FieldNames& names) {
    for (const std::string& assignment : request.settings) {
        if (auto error = ApplySetting(records, assignment)) return error;
    }
    if (request.channel) {
        const std::string text = std::to_string(*request.channel);
        if (ApplySetting(records, "channelIndex=" + text)) {
            return OutsideRange(RequestField::Channel, text, names);
        }
    }
    return CheckSettingsAgree(records);
}

}  // namespace tonalyx::requests
