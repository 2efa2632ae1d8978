#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "requests/AnalysisRequest.h"
#include "requests/SettingsTable.h"

namespace tonalyx::requests {

// The fields of a request whose values have a range.
enum class RequestField {
    Columns,
    SamplesPerColumn,
    FirstColumn,
    Channel,
    MaxSeconds,
    Step,
    Column,
    ToColumn,
    Time,
    ToTime,
    Fit,
    Whole,
    Kind,
    Format,
    MissingAs,
    Ceiling,
    FormantCount,
    Window,
    PreEmphasis,
    Track,
    MinPitch,
    Tier,
    Labels,
    Points,
};

// The request's values from their names: the kind ("fft", "ac", "cep", "lif", "mem", "pitch"),
// the table format ("csv", "tsv") and the missing-value style ("empty", "nan"); none for other
// names.
std::optional<int> KindOfName(std::string_view name);
std::optional<TableFormat> TableFormatOfName(std::string_view name);
std::optional<MissingValues> MissingValuesOfName(std::string_view name);

// The values a field takes, in the words of a refusal: "a whole number from 1 to 32768".
std::string AcceptedValues(RequestField field);

// How a front end names a field in its messages: the command line's option ("--columns") by
// default, a keyword for the Python module.
using FieldNames = std::function<std::string(RequestField)>;
std::string CommandLineName(RequestField field);

// "--columns must be a whole number from 1 to 32768, not '0'": the refusal of a value as the
// front end wrote it.
std::string OutsideRange(RequestField field, std::string_view value,
                         const FieldNames& names = CommandLineName);

// Every refusal of the request, in the order of its fields: values out of their range, and
// fields that do not go together (--whole with --max-seconds, --fit with a zoom or a scroll
// position, a range whose end lies before its start or that has no start). Empty when every
// field may be used.
std::vector<std::string> CheckRequest(const AnalysisRequest& request,
                                      const FieldNames& names = CommandLineName);

// The refusal of a spectrum request: a range given both by columns and by times, or by
// neither, or a kind that has no levels (the pitch kind). none when it may be computed.
std::optional<std::string> CheckSpectrumRequest(const AnalysisRequest& request,
                                                const FieldNames& names = CommandLineName);

// The refusal of a step (seconds) shorter than one sample period of a sound at rate (Hz),
// which would repeat rows without end; none for a step that may be used.
std::optional<std::string> CheckStepForRate(double step, double rate,
                                            const FieldNames& names = CommandLineName);

// The records of the request: the factory defaults, its settings in order and its channel
// last, checked for settings that contradict each other. Returns the first refusal, or none.
std::optional<std::string> BuildRecords(const AnalysisRequest& request, RecordSet& records,
                                        const FieldNames& names = CommandLineName);

}  // namespace tonalyx::requests
