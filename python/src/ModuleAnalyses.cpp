#include "python/src/ModuleAnalyses.h"

#include <algorithm>
#include <sstream>

#include "analysis/AnalysisKind.h"
#include "analysis/PitchSteps.h"
#include "pitch/SoundPitchTrack.h"
#include "requests/MeasurementRows.h"
#include "requests/PitchRows.h"
#include "requests/RequestCheck.h"
#include "requests/SoundSource.h"
#include "requests/SpectrumRows.h"
#include "requests/StreamedView.h"
#include "requests/TableWriter.h"
#include "requests/ViewAnalysis.h"

namespace tonalyx::python {

namespace {

using requests::AnalysisRequest;
using requests::RecordSet;

// The analysis of the request's view on the loaded sound; notes go to notes, one line each,
// led by the sound's name.
void Analyse(const ModuleSound& sound, const AnalysisRequest& request, const RecordSet& records,
             requests::ViewAnalysis& analysis, std::string& notes) {
    analysis.sound = *sound.data;
    requests::AnalyseLoadedSound(request, records, analysis, [&](const std::string& note) {
        notes += sound.name + ": " + note + "\n";
    });
}

}  // namespace

RecordSet CheckedRecords(const AnalysisRequest& request, bool spectrum) {
    const std::vector<std::string> refusals = requests::CheckRequest(request);
    if (!refusals.empty()) throw UsageProblem(refusals.front());
    if (spectrum) {
        if (auto refused = requests::CheckSpectrumRequest(request)) throw UsageProblem(*refused);
    }
    RecordSet records;
    if (auto refused = requests::BuildRecords(request, records)) throw UsageProblem(*refused);
    return records;
}

LevelsResult ComputeLevels(const ModuleSound& sound, const AnalysisRequest& request) {
    const RecordSet records = CheckedRecords(request, false);
    LevelsResult result;
    requests::ViewAnalysis analysis;
    Analyse(sound, request, records, analysis, result.notes);

    result.image = std::make_shared<LevelImage>();
    const std::optional<PitchOverlay> pitch = requests::PitchToDraw(analysis);
    std::vector<double> levelColumn;
    SpectrogramEngine& engine = analysis.engine;
    RenderLevelImage(engine, request.kind, records.display, analysis.geometry,
                     pitch ? &*pitch : nullptr, *result.image, levelColumn);
    result.columns = engine.ColumnCount();
    result.rows = engine.ImageHeight();
    result.lag = engine.LagAxis();

    const double rate = sound.data->format.sampleRate;
    const int first = analysis.geometry.VisibleColumns().first;
    for (int i = 0; i < result.columns; ++i) {
        const SampleSpan span = analysis.geometry.VisibleSampleRange(first + i);
        result.times.push_back((static_cast<double>(span.start) + span.end) / 2 / rate);
    }
    // Image line 0 is the top row.
    result.axis = requests::RowPositions(engine);
    std::reverse(result.axis.begin(), result.axis.end());
    if (request.kind != PitchAnalysis) {
        result.values.resize(static_cast<std::size_t>(result.columns) * result.rows);
        for (int column = 0; column < result.columns; ++column) {
            const requests::SpectrumRows levels =
                requests::ShownSpectrumRows(engine, request.kind, column, column + 1);
            result.percent = levels.percent;
            result.logUnits = levels.logUnits;
            for (int row = 0; row < result.rows; ++row) {
                const auto line = static_cast<std::size_t>(result.rows - 1 - row);
                result.values[line * result.columns + column] =
                    levels.levels[static_cast<std::size_t>(row)];
            }
        }
    }
    return result;
}

SpectrumResult ComputeSpectrum(const ModuleSound& sound, const AnalysisRequest& request) {
    const RecordSet records = CheckedRecords(request, true);
    SpectrumResult result;
    requests::ViewAnalysis analysis;
    Analyse(sound, request, records, analysis, result.notes);
    const int first = request.column.value_or(0);
    const int last = request.toColumn.value_or(first);
    if (auto problem = requests::ColumnRangeProblem(last, analysis.engine.ColumnCount())) {
        throw UsageProblem(sound.name + ": " + *problem);
    }
    result.rows = requests::ComputeSpectrumRows(analysis.engine, request.kind, records.display,
                                                first, last + 1);
    return result;
}

PitchResult ComputePitch(const ModuleSound& sound, const AnalysisRequest& request) {
    const RecordSet records = CheckedRecords(request, false);
    const double rate = sound.data->format.sampleRate;
    if (request.step) {
        if (auto refused = requests::CheckStepForRate(*request.step, rate)) {
            throw UsageProblem(*refused);
        }
    }
    int hop = 1;
    PitchResult result;
    if (request.step) {
        // The times and values that pitch --step prints; only the values they read are
        // computed.
        PitchStepSampler steps(SoundPitchHop(rate, records.analysis), rate, *request.step,
                               sound.data->sampleCount);
        const std::vector<double> track = ComputeSoundPitchTrack(
            *sound.data, records.analysis, hop,
            [&](std::int64_t first, std::int64_t last, std::vector<int>& offsets) {
                steps.ValuesRead(first, last, offsets);
            });
        const auto keep = [&](std::int64_t, double seconds, double f0) {
            result.times.push_back(seconds);
            result.values.push_back(f0);
        };
        steps.Add(track, keep);
        steps.Finish(keep);
        return result;
    }
    std::vector<double> track = ComputeSoundPitchTrack(*sound.data, records.analysis, hop);
    result.times.reserve(track.size());
    // Value i describes the block of samples that starts at i hop.
    for (std::size_t i = 0; i < track.size(); ++i)
        result.times.push_back(static_cast<double>(i) * hop / rate);
    result.values = std::move(track);
    return result;
}

PitchResult StreamFilePitch(const std::string& path, const AnalysisRequest& request,
                            std::vector<std::string>& notes, requests::LoadReport& report) {
    const RecordSet records = CheckedRecords(request, false);
    requests::OpenedSound sound;
    if (auto refused = requests::OpenSound(path, records.file.channelIndex,
                                           requests::ReadLimitOf(request, records.file), sound)) {
        throw SoundRefused(path + ": " + *refused);
    }
    if (request.step) {
        if (auto refused = requests::CheckStepForRate(*request.step, sound.sampleRate)) {
            throw UsageProblem(*refused);
        }
    }
    PitchResult result;
    try {
        requests::StreamPitchRows(sound, records.analysis, request.step,
                                  [&](std::int64_t, double seconds, double f0) {
                                      result.times.push_back(seconds);
                                      result.values.push_back(f0);
                                  });
    } catch (const std::runtime_error& error) {
        throw SoundRefused(path + ": " + error.what());
    }
    report = sound.report;
    report.origin.repairs = sound.source->Info().repairs;
    requests::LoadReport whole = report;
    whole.framesLoaded = whole.framesInFile;
    notes = requests::LoadNotes(whole);
    return result;
}

FormantTable ComputeFormants(const ModuleSound& sound, const AnalysisRequest& request) {
    CheckedRecords(request, false);
    const SoundData& data = *sound.data;
    return MeasureFormants(data.samples, static_cast<int>(data.format.sampleRate),
                           requests::FormantSettingsOf(request));
}

IntensityTable ComputeIntensity(const ModuleSound& sound, const AnalysisRequest& request) {
    CheckedRecords(request, false);
    const SoundData& data = *sound.data;
    return MeasureIntensity(data.samples, static_cast<int>(data.format.sampleRate),
                            requests::IntensitySettingsOf(request));
}

std::string PitchTable(const std::vector<double>& times, const std::vector<double>& values,
                       const std::string& file, const AnalysisRequest& request) {
    if (times.size() != values.size()) {
        throw std::invalid_argument("a pitch table needs as many times as values");
    }
    std::ostringstream out;
    {
        requests::TableWriter writer(out, request.format, file);
        requests::WritePitchHeader(writer);
        for (std::size_t i = 0; i < times.size(); ++i) {
            requests::WritePitchRow(writer, request.missing, static_cast<std::int64_t>(i), times[i],
                                    values[i]);
        }
    }
    return out.str();
}

void SetCeiling(AnalysisRequest& request, const std::variant<double, std::string>& ceiling) {
    if (const double* hertz = std::get_if<double>(&ceiling)) {
        request.ceiling = *hertz;
    } else if (std::get<std::string>(ceiling) == "auto") {
        request.autoCeiling = true;
    } else {
        throw UsageProblem(requests::OutsideRange(requests::RequestField::Ceiling,
                                                  std::get<std::string>(ceiling)));
    }
}

std::string FormantTableText(const std::vector<double>& times,
                             const std::vector<double>& frequencies,
                             const std::vector<double>& bandwidths, int count,
                             const std::string& file, const AnalysisRequest& request) {
    const std::size_t cells = times.size() * static_cast<std::size_t>(count);
    if (count < 1 || frequencies.size() != cells || bandwidths.size() != cells) {
        throw std::invalid_argument(
            "a formant table needs frequencies and bandwidths of frames x count values");
    }
    std::ostringstream out;
    {
        requests::TableWriter writer(out, request.format, file);
        requests::WriteFormantHeader(writer, count);
        requests::WriteFormantRows(writer, request.missing,
                                   {0, count, times, frequencies, bandwidths});
    }
    return out.str();
}

std::string IntensityTableText(const std::vector<double>& times,
                               const std::vector<double>& decibels, const std::string& file,
                               const AnalysisRequest& request) {
    if (times.size() != decibels.size()) {
        throw std::invalid_argument("an intensity table needs as many times as values");
    }
    std::ostringstream out;
    {
        requests::TableWriter writer(out, request.format, file);
        requests::WriteIntensityHeader(writer);
        requests::WriteIntensityRows(writer, request.missing, {0, times, decibels});
    }
    return out.str();
}

int KindNamed(const std::string& name) {
    if (const std::optional<int> kind = requests::KindOfName(name)) return *kind;
    throw UsageProblem(requests::OutsideRange(requests::RequestField::Kind, name));
}

requests::TableFormat TableFormatNamed(const std::string& name) {
    if (const auto format = requests::TableFormatOfName(name)) return *format;
    throw UsageProblem(requests::OutsideRange(requests::RequestField::Format, name));
}

requests::MissingValues MissingValuesNamed(const std::string& name) {
    if (const auto missing = requests::MissingValuesOfName(name)) return *missing;
    throw UsageProblem(requests::OutsideRange(requests::RequestField::MissingAs, name));
}

void CheckRequestWhole(const AnalysisRequest& request) {
    CheckedRecords(request, false);
}

void CheckSettings(const std::vector<std::string>& assignments) {
    AnalysisRequest request;
    request.settings = assignments;
    RecordSet records;
    if (auto refused = requests::BuildRecords(request, records)) throw UsageProblem(*refused);
}

}  // namespace tonalyx::python
