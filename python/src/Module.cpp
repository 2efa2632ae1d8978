// The compiled part of the tonalyx package: sounds, the command line's analyses on them and
// its writers of files, with numpy arrays in and out. The package's Python layer gives these
// their keyword arguments.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <limits>
#include <variant>

#include "python/src/ModuleAnalyses.h"
#include "python/src/ModuleFiles.h"
#include "python/src/ModuleLock.h"
#include "python/src/ModuleSound.h"
#include "python/src/ModuleTextGrid.h"
#include "requests/CommandView.h"
#include "requests/FreedBuffers.h"
#include "requests/IntervalMeasure.h"
#include "requests/RequestCheck.h"
#include "requests/SettingsTable.h"
#include "requests/TemporaryFiles.h"
#include "requests/TrackStatistics.h"

namespace py = pybind11;
using namespace tonalyx;
using namespace tonalyx::python;

namespace {

// A numpy array over the vector's own memory, which the array then owns.
template <typename T>
py::array_t<T> Adopt(std::vector<T>&& values) {
    auto* held = new std::vector<T>(std::move(values));
    py::capsule owner(held, [](void* pointer) { delete static_cast<std::vector<T>*>(pointer); });
    return py::array_t<T>({static_cast<py::ssize_t>(held->size())}, {sizeof(T)}, held->data(),
                          owner);
}

// A read-only array over memory that `owner` keeps alive.
template <typename T, typename Owner>
py::array_t<T> ReadOnlyView(const T* data, std::vector<py::ssize_t> shape,
                            std::vector<py::ssize_t> strides, Owner owner) {
    auto* held = new Owner(std::move(owner));
    py::capsule keeper(held, [](void* pointer) { delete static_cast<Owner*>(pointer); });
    py::array_t<T> array(shape, strides, data, keeper);
    py::detail::array_proxy(array.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
    return array;
}

py::array_t<int16_t> SamplesView(const ModuleSound& sound) {
    const SoundData& data = *sound.data;
    return ReadOnlyView<int16_t>(data.samples.data(), {data.sampleCount},
                                 {static_cast<py::ssize_t>(sizeof(int16_t))}, sound.data);
}

// Samples from any integer array whose values fit 16 bits; floating-point samples are refused
// rather than silently scaled or rounded.
std::vector<int16_t> SamplesOf(const py::array& array) {
    if (array.ndim() != 1) {
        throw std::invalid_argument("samples must be a one-dimensional array, not " +
                                    std::to_string(array.ndim()) + "-dimensional");
    }
    const py::dtype type = array.dtype();
    if (type.kind() != 'i' && type.kind() != 'u') {
        throw py::type_error("samples must be integers (int16 or another integer type), not " +
                             std::string(py::str(py::handle(type))) +
                             "; scale floating-point samples to -32768 .. 32767 first");
    }
    // Doubles hold every 16-bit value exactly, and no 64-bit value wraps into the range.
    const auto wide = py::array_t<double, py::array::forcecast>::ensure(array);
    const auto values = wide.unchecked<1>();
    std::vector<int16_t> samples(static_cast<std::size_t>(values.shape(0)));
    for (py::ssize_t i = 0; i < values.shape(0); ++i) {
        const double value = values(i);
        if (value < std::numeric_limits<int16_t>::min() ||
            value > std::numeric_limits<int16_t>::max()) {
            throw std::invalid_argument("sample " + std::to_string(i) + " is " +
                                        std::string(py::str(array[py::int_(i)])) +
                                        ", outside the 16-bit range -32768 .. 32767");
        }
        samples[static_cast<std::size_t>(i)] = static_cast<int16_t>(value);
    }
    return samples;
}

py::list SettingFields() {
    const requests::RecordSet defaults;
    py::list fields;
    for (const requests::SettingField& field : requests::SettingFields()) {
        fields.append(py::make_tuple(
            std::string(field.name), std::string(field.record), requests::DescribeValues(field),
            requests::FormatSetting(field, defaults), std::string(field.unit)));
    }
    return fields;
}

// The command line's notes on what the read changed (a channel the file lacks, a file shorter
// than its header claims), without the one on a length limit, whose remedy differs here.
std::vector<std::string> ReadNotes(const ModuleSound& sound) {
    requests::LoadReport whole = sound.report;
    whole.framesLoaded = whole.framesInFile;
    return requests::LoadNotes(whole);
}

// A request for the view the keywords describe, with the settings assignments (NAME=VALUE).
requests::AnalysisRequest ViewRequest(const std::string& kind, int columns, bool fit,
                                      std::optional<int> samplesPerColumn,
                                      std::optional<int> firstColumn,
                                      const std::vector<std::string>& settings) {
    requests::AnalysisRequest request;
    request.kind = KindNamed(kind);
    request.view.columns = columns;
    request.view.fit = fit;
    request.view.samplesPerColumn = samplesPerColumn;
    request.view.firstColumn = firstColumn;
    request.settings = settings;
    return request;
}

// The unit of levels: "%", "log10" (liftering) or "dB".
const char* UnitName(bool percent, bool logUnits) {
    return percent ? "%" : logUnits ? "log10" : "dB";
}

// A request for tables in the format and missing-value style named ("csv", "empty").
requests::AnalysisRequest TableRequest(const std::string& format,
                                       const std::optional<std::string>& missingAs) {
    requests::AnalysisRequest request;
    request.format = TableFormatNamed(format);
    if (missingAs) request.missing = MissingValuesNamed(*missingAs);
    return request;
}

// The binding of a table of one value per time that write writes in the format and
// missing-value style named.
template <typename Write>
auto ColumnTable(Write write) {
    return [write](const std::vector<double>& times, const std::vector<double>& values,
                   const std::string& file, const std::string& format,
                   std::optional<std::string> missingAs) {
        const requests::AnalysisRequest request = TableRequest(format, missingAs);
        return py::bytes(WithoutTheLock([&] { return write(times, values, file, request); }));
    };
}

// Every field of a sound's description that pickling keeps, handed to field(key, value) by
// name: one list for both ways.
template <typename Field>
void DescriptionFields(SoundDescription& description, Field field) {
    requests::LoadReport& report = description.report;
    SoundFileInfo& origin = report.origin;
    field("name", description.name);
    field("channel", description.channel);
    field("reader", report.reader);
    field("container", origin.container);
    field("codec", origin.codec);
    field("format_tag", origin.formatTag);
    field("channels", origin.channels);
    field("bits_per_sample", origin.bitsPerSample);
    field("origin_frames", origin.frames);
    field("origin_claimed_frames", origin.claimedFrames);
    field("size_unset", origin.sizeUnset);
    field("stream_cut", origin.streamCut);
    field("clipped", origin.repairs.clipped);
    field("infinite", origin.repairs.infinite);
    field("nan", origin.repairs.nan);
    field("channel_asked", report.channelAsked);
    field("channel_read", report.channelRead);
    field("claimed_frames", report.claimedFrames);
    field("frames_in_file", report.framesInFile);
    field("frames_loaded", report.framesLoaded);
    field("limit", report.limit);
    field("limited_by_addressing", report.limitedByAddressing);
}

// What pickling keeps of a sound besides its samples and rate: its name and what its file held.
py::dict SoundState(const ModuleSound& sound) {
    SoundDescription description{sound.name, sound.data->channelIndex, sound.report};
    py::dict state;
    DescriptionFields(description, [&](const char* key, const auto& value) { state[key] = value; });
    return state;
}

ModuleSound SoundOfState(const py::tuple& pickled) {
    if (pickled.size() != 3) throw std::invalid_argument("not the state of a pickled sound");
    const py::dict state = pickled[2];
    SoundDescription description;
    DescriptionFields(description, [&](const char* key, auto& value) {
        value = state[key].template cast<std::decay_t<decltype(value)>>();
    });
    requests::LoadReport& report = description.report;
    SoundFileInfo& origin = report.origin;
    const double rate = pickled[1].cast<double>();
    origin.sampleRate = report.sampleRate = static_cast<uint32_t>(rate);
    return SoundFromState(SamplesOf(pickled[0].cast<py::array>()), rate, description);
}

// The levels of the image's top-left columns x rows, line 0 at the top.
requests::GreyImage GreyImageOf(const py::array_t<uint8_t, py::array::c_style>& image) {
    if (image.ndim() != 2) throw UsageProblem("a level image is a two-dimensional array");
    requests::GreyImage grey;
    grey.height = static_cast<int>(image.shape(0));
    grey.width = static_cast<int>(image.shape(1));
    grey.pixels.assign(image.data(), image.data() + image.size());
    return grey;
}

// A request for the pitch track of a file, read as far as the limit allows.
requests::AnalysisRequest FileRequest(std::optional<double> step,
                                      const std::vector<std::string>& settings,
                                      std::optional<double> maxSeconds, bool whole) {
    requests::AnalysisRequest request;
    request.step = step;
    request.settings = settings;
    request.maxSeconds = maxSeconds;
    request.whole = whole;
    return request;
}

double SecondsLoaded(const requests::LoadReport& report) {
    return static_cast<double>(report.framesLoaded) / report.sampleRate;
}

// The statistics of a pitch track under the corpus summary's column names; those of the
// voiced values only when some are voiced.
void AddStatistics(py::dict& summary, const requests::PitchStatistics& statistics) {
    summary["voiced_share"] = statistics.voicedShare;
    summary["voiced_seconds"] = statistics.voicedSeconds;
    if (const auto& v = statistics.voiced) {
        summary["f0_mean_hz"] = v->mean;
        summary["f0_sd_hz"] = v->sd;
        summary["f0_min_hz"] = v->min;
        summary["f0_max_hz"] = v->max;
        summary["f0_range_st"] = v->rangeSemitones;
        summary["f0_median_hz"] = v->median;
        summary["f0_p5_hz"] = v->p5;
        summary["f0_p95_hz"] = v->p95;
    }
}

}  // namespace

PYBIND11_MODULE(_tonalyx, module) {
    module.doc() = "Tonalyx's analyses on the same engine as tonalyx-cli.";
    module.attr("version") = TONALYX_VERSION;

    const py::object base = py::module_::import("builtins").attr("Exception");
    static py::exception<SoundRefused> soundError(module, "SoundError", base);
    static py::exception<UsageProblem> usageError(
        module, "UsageError", py::module_::import("builtins").attr("ValueError"));
    static py::exception<OutputFailure> outputError(
        module, "OutputError", py::module_::import("builtins").attr("OSError"));
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const SoundRefused& error) {
            PyErr_SetString(soundError.ptr(), error.what());
        } catch (const UsageProblem& error) {
            PyErr_SetString(usageError.ptr(), error.what());
        } catch (const OutputFailure& error) {
            PyErr_SetString(outputError.ptr(), error.what());
        }
    });

    py::class_<ModuleSound>(module, "NativeSound")
        .def_property_readonly("samples", &SamplesView)
        .def_property_readonly(
            "rate", [](const ModuleSound& sound) { return sound.data->format.sampleRate; })
        .def_property_readonly("channel",
                               [](const ModuleSound& sound) { return sound.data->channelIndex; })
        .def_property_readonly("name", [](const ModuleSound& sound) { return sound.name; })
        .def_property_readonly("reader",
                               [](const ModuleSound& sound) { return sound.report.reader; })
        .def_property_readonly(
            "container", [](const ModuleSound& sound) { return sound.report.origin.container; })
        .def_property_readonly("codec",
                               [](const ModuleSound& sound) { return sound.report.origin.codec; })
        .def_property_readonly(
            "format_tag", [](const ModuleSound& sound) { return sound.report.origin.formatTag; })
        .def_property_readonly(
            "channels", [](const ModuleSound& sound) { return sound.report.origin.channels; })
        .def_property_readonly(
            "bits_per_sample",
            [](const ModuleSound& sound) { return sound.report.origin.bitsPerSample; })
        .def_property_readonly("frames_claimed",
                               [](const ModuleSound& sound) { return sound.report.claimedFrames; })
        .def_property_readonly("frames_in_file",
                               [](const ModuleSound& sound) { return sound.report.framesInFile; })
        .def_property_readonly("limit", [](const ModuleSound& sound) { return sound.report.limit; })
        .def_property_readonly("read_notes", &ReadNotes)
        .def(py::pickle(
            [](const ModuleSound& sound) {
                return py::make_tuple(SamplesView(sound), sound.data->format.sampleRate,
                                      SoundState(sound));
            },
            &SoundOfState));

    module.def(
        "read",
        [](const std::string& path, const std::vector<std::string>& settings,
           std::optional<double> maxSeconds, bool whole) {
            py::gil_scoped_release release;
            return ReadSound(path, settings, {maxSeconds, whole});
        },
        py::arg("path"), py::arg("settings"), py::arg("max_seconds"), py::arg("whole"));
    module.def(
        "from_samples",
        [](const py::array& samples, double rate) {
            return SoundFromSamples(SamplesOf(samples), rate);
        },
        py::arg("samples"), py::arg("rate"));

    module.def(
        "levels",
        [](const ModuleSound& sound, const std::string& kind, int columns, bool fit,
           bool overlayPitch, std::optional<int> samplesPerColumn, std::optional<int> firstColumn,
           const std::vector<std::string>& settings) {
            requests::AnalysisRequest request =
                ViewRequest(kind, columns, fit, samplesPerColumn, firstColumn, settings);
            request.overlayPitch = overlayPitch;
            LevelsResult result = WithoutTheLock([&] { return ComputeLevels(sound, request); });
            const LevelImage& image = *result.image;
            py::array_t<uint8_t> pixels = ReadOnlyView<uint8_t>(
                image.pixels.data(), {result.rows, result.columns}, {image.width, 1}, result.image);
            py::object values = py::none();
            if (!result.values.empty()) {
                values = Adopt(std::move(result.values)).reshape({result.rows, result.columns});
            }
            return py::make_tuple(pixels, Adopt(std::move(result.times)),
                                  Adopt(std::move(result.axis)), result.lag, values,
                                  UnitName(result.percent, result.logUnits), result.notes);
        },
        py::arg("sound"), py::arg("kind"), py::arg("columns"), py::arg("fit"),
        py::arg("overlay_pitch"), py::arg("samples_per_column"), py::arg("first_column"),
        py::arg("settings"));
    module.def(
        "spectrum",
        [](const ModuleSound& sound, int column, std::optional<int> toColumn,
           const std::string& kind, int columns, bool fit, std::optional<int> samplesPerColumn,
           std::optional<int> firstColumn, const std::vector<std::string>& settings) {
            requests::AnalysisRequest request =
                ViewRequest(kind, columns, fit, samplesPerColumn, firstColumn, settings);
            request.column = column;
            request.toColumn = toColumn;
            SpectrumResult result = WithoutTheLock([&] { return ComputeSpectrum(sound, request); });
            requests::SpectrumRows& rows = result.rows;
            return py::make_tuple(Adopt(std::move(rows.positions)), Adopt(std::move(rows.levels)),
                                  rows.lag, UnitName(rows.percent, rows.logUnits), result.notes);
        },
        py::arg("sound"), py::arg("column"), py::arg("to_column"), py::arg("kind"),
        py::arg("columns"), py::arg("fit"), py::arg("samples_per_column"), py::arg("first_column"),
        py::arg("settings"));
    module.def(
        "pitch",
        [](const ModuleSound& sound, std::optional<double> step,
           const std::vector<std::string>& settings) {
            requests::AnalysisRequest request;
            request.step = step;
            request.settings = settings;
            PitchResult result = WithoutTheLock([&] { return ComputePitch(sound, request); });
            return py::make_tuple(Adopt(std::move(result.times)), Adopt(std::move(result.values)));
        },
        py::arg("sound"), py::arg("step"), py::arg("settings"));
    module.def(
        "stream_pitch",
        [](const std::string& path, std::optional<double> step,
           const std::vector<std::string>& settings, std::optional<double> maxSeconds, bool whole) {
            const requests::AnalysisRequest request =
                FileRequest(step, settings, maxSeconds, whole);
            std::vector<std::string> notes;
            requests::LoadReport report;
            PitchResult result =
                WithoutTheLock([&] { return StreamFilePitch(path, request, notes, report); });
            return py::make_tuple(Adopt(std::move(result.times)), Adopt(std::move(result.values)),
                                  notes, report.framesLoaded, report.framesInFile,
                                  report.sampleRate, report.limit);
        },
        py::arg("path"), py::arg("step"), py::arg("settings"), py::arg("max_seconds"),
        py::arg("whole"));
    module.def(
        "stream_pitch_summary",
        [](const std::string& path, std::optional<double> step,
           const std::vector<std::string>& settings, std::optional<double> maxSeconds, bool whole,
           const std::string& file) {
            const requests::AnalysisRequest request =
                FileRequest(step, settings, maxSeconds, whole);
            std::vector<std::string> notes;
            requests::LoadReport report;
            std::string table;
            requests::PitchStatistics statistics;
            WithoutTheLock([&] {
                const PitchResult track = StreamFilePitch(path, request, notes, report);
                table = PitchTable(track.times, track.values, file, request);
                statistics = requests::PitchStatisticsOf(track.values, SecondsLoaded(report));
            });
            const std::string& codec = report.origin.codec;
            py::dict summary;
            summary["format"] = codec.empty() ? "unknown" : codec;
            summary["rate"] = static_cast<std::uint32_t>(report.sampleRate);
            summary["channels"] = report.origin.channels;
            summary["channel"] = report.channelRead;
            summary["file_seconds"] = static_cast<double>(report.framesInFile) / report.sampleRate;
            summary["seconds"] = SecondsLoaded(report);
            AddStatistics(summary, statistics);
            return py::make_tuple(py::bytes(table), summary, notes, report.framesLoaded,
                                  report.framesInFile, report.limit);
        },
        py::arg("path"), py::arg("step"), py::arg("settings"), py::arg("max_seconds"),
        py::arg("whole"), py::arg("file"));
    module.def(
        "formants",
        [](const ModuleSound& sound, const std::variant<double, std::string>& ceiling, int count,
           double window, std::optional<double> step, double preEmphasis, bool track) {
            requests::AnalysisRequest request;
            SetCeiling(request, ceiling);
            request.formantCount = count;
            request.window = window;
            request.step = step;
            request.preEmphasis = preEmphasis;
            request.track = track;
            FormantTable table = WithoutTheLock([&] { return ComputeFormants(sound, request); });
            const auto frames = static_cast<py::ssize_t>(table.times.size());
            const auto columns = static_cast<py::ssize_t>(table.summary.count);
            const auto matrix = [&](std::vector<double>&& values) {
                return Adopt(std::move(values)).reshape({frames, columns});
            };
            return py::make_tuple(Adopt(std::move(table.times)),
                                  matrix(std::move(table.frequencies)),
                                  matrix(std::move(table.bandwidths)), table.summary.note);
        },
        py::arg("sound"), py::arg("ceiling"), py::arg("count"), py::arg("window"), py::arg("step"),
        py::arg("preemphasis"), py::arg("track"));
    module.def(
        "intensity",
        [](const ModuleSound& sound, double minPitch, std::optional<double> step) {
            requests::AnalysisRequest request;
            request.minPitch = minPitch;
            request.step = step;
            IntensityTable table = WithoutTheLock([&] { return ComputeIntensity(sound, request); });
            return py::make_tuple(Adopt(std::move(table.times)), Adopt(std::move(table.decibels)),
                                  table.summary.note);
        },
        py::arg("sound"), py::arg("min_pitch"), py::arg("step"));
    module.def("pitch_table", ColumnTable(&PitchTable), py::arg("times"), py::arg("values"),
               py::arg("file"), py::arg("format"), py::arg("missing_as"));
    module.def(
        "formant_table",
        [](const std::vector<double>& times, const std::vector<double>& frequencies,
           const std::vector<double>& bandwidths, int count, const std::string& file,
           const std::string& format, std::optional<std::string> missingAs) {
            const requests::AnalysisRequest request = TableRequest(format, missingAs);
            return py::bytes(WithoutTheLock([&] {
                return FormantTableText(times, frequencies, bandwidths, count, file, request);
            }));
        },
        py::arg("times"), py::arg("frequencies"), py::arg("bandwidths"), py::arg("count"),
        py::arg("file"), py::arg("format"), py::arg("missing_as"));
    module.def("intensity_table", ColumnTable(&IntensityTableText), py::arg("times"),
               py::arg("decibels"), py::arg("file"), py::arg("format"), py::arg("missing_as"));
    module.def(
        "pitch_statistics",
        [](const std::vector<double>& f0, double seconds) {
            py::dict summary;
            AddStatistics(summary, requests::PitchStatisticsOf(f0, seconds));
            return summary;
        },
        py::arg("f0"), py::arg("seconds"));
    module.def(
        "column_medians",
        [](const py::array_t<double, py::array::c_style | py::array::forcecast>& table) {
            if (table.ndim() != 2) throw py::value_error("column_medians takes a 2-D array");
            const std::span<const double> values(table.data(),
                                                 static_cast<std::size_t>(table.size()));
            return requests::ColumnMedians(values, static_cast<std::size_t>(table.shape(1)));
        },
        py::arg("table"));
    module.def(
        "energy_mean_db",
        [](const std::vector<double>& decibels) { return requests::EnergyMeanDb(decibels); },
        py::arg("decibels"));
    module.def(
        "level_image_file",
        [](const py::array_t<uint8_t, py::array::c_style | py::array::forcecast>& image,
           const std::string& format) {
            requests::GreyImage grey = GreyImageOf(image);
            return py::bytes(WithoutTheLock([&] {
                const std::vector<uint8_t> bytes = LevelImageFile(std::move(grey), format);
                return std::string(bytes.begin(), bytes.end());
            }));
        },
        py::arg("image"), py::arg("format"));
    module.def("image_format_of_path", &ImageFormatOfPath, py::arg("path"));
    module.def(
        "write_file",
        [](const std::string& path, const py::bytes& data) {
            const std::string_view bytes(data);
            WithoutTheLock([&] { WriteWhole(path, bytes); });
        },
        py::arg("path"), py::arg("data"));
    module.def(
        "check_output", [](const std::string& path) { WithoutTheLock([&] { CheckOutput(path); }); },
        py::arg("path"));
    module.def("remove_stale_temporaries", &requests::RemoveStaleTemporaries, py::arg("folder"));
    module.def("keep_freed_buffers", &requests::KeepFreedBuffers,
               "Keeps the buffers that each analysis frees for the next one, in a process that "
               "analyses file after file (up to 256 MB of freed memory stays with it).");
    module.def(
        "check_request",
        [](const std::vector<std::string>& settings, std::optional<double> step, int columns,
           bool fit, std::optional<double> maxSeconds, bool whole, std::optional<std::string> tier,
           std::optional<std::string> labels, const std::vector<double>& points) {
            requests::AnalysisRequest request;
            request.settings = settings;
            request.step = step;
            request.view.columns = columns;
            request.view.fit = fit;
            request.maxSeconds = maxSeconds;
            request.whole = whole;
            CheckRequestWhole(request);
            if (!tier) return;
            request.tier = *tier;
            request.labels = std::move(labels);
            request.points = points;
            if (auto refused = requests::CheckMeasureRequest(request)) throw UsageProblem(*refused);
        },
        py::arg("settings"), py::arg("step"), py::arg("columns"), py::arg("fit"),
        py::arg("max_seconds"), py::arg("whole"), py::arg("tier") = py::none(),
        py::arg("labels") = py::none(), py::arg("points") = std::vector<double>{});
    AddTextGridFunctions(module);
    module.def("setting_fields", &SettingFields);
    module.def("check_settings", &CheckSettings, py::arg("assignments"));
}
