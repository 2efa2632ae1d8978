#include "requests/StreamedView.h"

#include <algorithm>

#include "analysis/PitchSteps.h"
#include "analysis/SpectrogramKind.h"
#include "pitch/SoundPitchTrack.h"
#include "requests/CommandView.h"

namespace tonalyx::requests {

namespace {

// Columns computed at a time for a mean: a screen's worth.
constexpr int kMeanBlockColumns = 2048;

}  // namespace

std::optional<std::string> OpenSoundWithNotes(const std::string& path,
                                              const AnalysisRequest& request,
                                              const RecordSet& records, const NoteSink& note,
                                              OpenedSound& sound) {
    const ReadLimit limit = ReadLimitOf(request, records.file);
    if (auto refused = OpenSound(path, records.file.channelIndex, limit, sound)) return refused;
    for (const std::string& text : LoadNotes(sound.report))
        note(text);
    return std::nullopt;
}

std::optional<std::string> OpenView(const std::string& path, const AnalysisRequest& request,
                                    const RecordSet& records, const NoteSink& note,
                                    StreamedView& view) {
    if (auto refused = OpenSoundWithNotes(path, request, records, note, view.sound)) {
        return refused;
    }
    std::string viewNote;
    view.geometry = CommandLineView(static_cast<int>(view.sound.frames), request.view, viewNote);
    if (!viewNote.empty()) note(viewNote);
    return std::nullopt;
}

void ComputeViewColumns(StreamedView& view, int kind, int first, int count,
                        const AnalysisSettings& settings, const ProgressCallback& progress) {
    SpectrogramEngine& engine = view.engine;
    engine.SetSource(count, view.sound.sampleRate);
    engine.SetupKind(kind, settings);
    if (!engine.KindComputesColumns(kind)) return;

    SoundFrames frames(view.sound);
    const int length = engine.FrameLength();
    double* frame = engine.FrameBuffer();
    const int scrolled = view.geometry.VisibleColumns().first;
    for (int i = 0; i < count; ++i) {
        const SampleSpan span = view.geometry.VisibleSampleRange(scrolled + first + i);
        frames.Fill(CentredFrameStart(span.start, span.end, length), length, frame);
        engine.ComputeColumn(frame, i);
        if (progress) progress(static_cast<double>(i) / count);
    }
}

std::vector<double> ComputeMeanViewColumn(StreamedView& view, int kind, int first, int count,
                                          const AnalysisSettings& settings,
                                          const DisplaySettings& display,
                                          const ProgressCallback& progress) {
    SpectrogramEngine& engine = view.engine;
    std::vector<double> sum;
    for (int done = 0; done < count;) {
        const int block = std::min(kMeanBlockColumns, count - done);
        ComputeViewColumns(view, kind, first + done, block, settings, [&](double fraction) {
            if (progress) progress((done + fraction * block) / count);
        });
        // Some kinds (MEM) make their stored values when the display is set up.
        engine.SetupDisplay(kind, display);
        if (!engine.KindComputesColumns(kind)) return {};
        const bool start = sum.empty();
        sum.resize(static_cast<std::size_t>(engine.BinCount()));
        SumColumns(engine.Data().data(), engine.BinCount(), 0, block, sum.data(), start);
        done += block;
    }
    if (count > 1) {
        const double columns = count;
        for (double& value : sum)
            value /= columns;
    }
    return sum;
}

std::int64_t StreamPitchTrack(OpenedSound& sound, AnalysisSettings settings, int& hop,
                              const PitchValueSink& sink, const PitchValueChooser& chooser) {
    SoundFrames frames(sound);
    const auto read = [&](std::int64_t from, std::span<std::int16_t> out) {
        frames.Read(from, out);
    };
    return StreamSoundPitchTrack(read, sound.frames, sound.sampleRate, settings, hop, sink,
                                 chooser);
}

void StreamPitchRows(OpenedSound& sound, const AnalysisSettings& settings,
                     std::optional<double> step, const PitchRowSink& row,
                     const ProgressCallback& progress) {
    const double rate = sound.sampleRate;
    int hop = 1;
    const auto report = [&](std::int64_t first) {
        if (progress)
            progress(static_cast<double>(first) * hop / static_cast<double>(sound.frames));
    };
    if (!step) {
        StreamPitchTrack(sound, settings, hop,
                         [&](std::int64_t first, std::span<const double> track) {
                             // Value i describes the block of samples that starts at i hop.
                             for (std::size_t i = 0; i < track.size(); ++i) {
                                 const std::int64_t index = first + static_cast<std::int64_t>(i);
                                 row(index, static_cast<double>(index) * hop / rate, track[i]);
                             }
                             report(first);
                         });
        return;
    }
    // Only the values the steps read are computed.
    PitchStepSampler steps(SoundPitchHop(rate, settings), rate, *step, sound.frames);
    StreamPitchTrack(
        sound, settings, hop,
        [&](std::int64_t first, std::span<const double> track) {
            steps.Add(track, row);
            report(first);
        },
        [&](std::int64_t first, std::int64_t last, std::vector<int>& offsets) {
            steps.ValuesRead(first, last, offsets);
        });
    steps.Finish(row);
}

void ComputeColumnPitch(StreamedView& view, int first, int count, const AnalysisSettings& settings,
                        const ProgressCallback& progress) {
    view.columnPitch.assign(static_cast<std::size_t>(count), 0.0);
    const int scrolled = view.geometry.VisibleColumns().first;
    int hop = 1;
    int column = 0;  // the next column whose entry is awaited
    // Entries of the columns in order: the centre samples grow with the column.
    const auto keep = [&](std::int64_t from, std::span<const double> values) {
        const std::int64_t end = from + static_cast<std::int64_t>(values.size());
        if (progress) {
            progress(static_cast<double>(from) * hop / static_cast<double>(view.sound.frames));
        }
        for (; column < count; ++column) {
            const SampleSpan span = view.geometry.VisibleSampleRange(scrolled + first + column);
            const std::int64_t entry = (static_cast<std::int64_t>(span.start) + span.end) / 2 / hop;
            if (entry >= end) return;
            view.columnPitch[static_cast<std::size_t>(column)] =
                values[static_cast<std::size_t>(entry - from)];
        }
    };
    StreamPitchTrack(view.sound, settings, hop, keep);
}

}  // namespace tonalyx::requests
