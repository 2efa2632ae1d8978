#include "requests/CommandView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "document/SoundFile.h"

namespace tonalyx::requests {

namespace {

// The setting that limits how much of a long file the window reads.
constexpr std::string_view kLengthSetting = "maxSoundLength";

std::string Seconds(double seconds) {
    char text[40];
    std::snprintf(text, sizeof text, "%.3f s", seconds);
    return text;
}

// What cut the read short: the limit asked for, or the most samples the command line
// addresses.
std::string LimitText(const LoadReport& report) {
    if (!report.limitedByAddressing) return report.limit;
    return "the most the command line addresses (" + std::to_string(report.framesLoaded) +
           " samples)";
}

}  // namespace

bool HasDataChunk(const LoadReport& report) {
    const std::string& container = report.origin.container;
    return report.reader == "wave" || container == "WAV" || container == "W64" ||
           container == "RF64" || container == "CAF";
}

std::string FileNamePart(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::string RefusalText(const std::string& /*path*/, const SoundReadError& error) {
    return "cannot open: " + error.Describe();
}

void FillLoadReport(const std::string& /*path*/, const SoundFileInfo& origin, int channelAsked,
                    int channelRead, std::int64_t framesWanted, std::int64_t framesRead,
                    LoadReport& report) {
    report.origin = origin;
    report.reader = origin.reader == SoundReader::Wave ? "wave" : "libsndfile";
    report.channelAsked = channelAsked;
    report.channelRead = channelRead;
    report.sampleRate = origin.sampleRate;
    report.framesLoaded = framesRead;
    report.framesInFile = origin.frames;
    // A read that stopped before the frames it asked for found the end of what decodes.
    if (framesRead < framesWanted) report.framesInFile = framesRead;
    // A header that claims fewer frames than decode (a block codec's padded last block) claims
    // nothing that is missing.
    report.claimedFrames = std::max(
        origin.claimedFrames >= 0 ? origin.claimedFrames : origin.frames, report.framesInFile);
}

std::optional<std::string> LoadSound(const std::string& path, const FileSettings& file,
                                     SoundData& sound, LoadReport* report) {
    sound.maxSoundLength = file.maxSoundLength;
    SoundReadError error;
    if (!ReadSoundFile(sound, path, file.channelIndex, &error)) return RefusalText(path, error);
    if (report == nullptr) return std::nullopt;
    *report = LoadReport{};
    const SoundFileInfo& origin = sound.origin;
    std::int64_t wanted = origin.frames;
    if (file.maxSoundLength >= 1) {
        wanted =
            std::min<std::int64_t>(wanted, std::int64_t{file.maxSoundLength} * origin.sampleRate);
    }
    report->limit = std::string(kLengthSetting) + " " + std::to_string(file.maxSoundLength) + " s";
    FillLoadReport(path, origin, file.channelIndex, sound.channelIndex, wanted, sound.sampleCount,
                   *report);
    return std::nullopt;
}

std::vector<std::string> LoadNotes(const LoadReport& report) {
    std::vector<std::string> notes;
    const double rate = report.sampleRate > 0 ? report.sampleRate : 1;
    const int channels = report.origin.channels;
    if (report.channelRead != report.channelAsked) {
        notes.push_back("channel " + std::to_string(report.channelAsked) + " does not exist in " +
                        std::to_string(channels) + (channels == 1 ? " channel" : " channels") +
                        "; read channel " + std::to_string(report.channelRead) + ", the last one");
    }
    const SoundFileInfo& origin = report.origin;
    if (origin.sizeUnset && !origin.streamCut) {
        notes.push_back(
            "the data chunk's size is 0xFFFFFFFF, left unset by a streaming writer; "
            "read the data to the end of the file");
    }
    if (report.framesInFile < report.claimedFrames) {
        notes.push_back((HasDataChunk(report) ? "the data chunk holds " : "the file decodes to ") +
                        std::to_string(report.framesInFile) + " of the " +
                        std::to_string(report.claimedFrames) +
                        " samples its header claims; read what it holds");
    }
    if (origin.streamCut) {
        notes.push_back("read the first " + Seconds(report.framesLoaded / rate) +
                        " of the stream and left the rest unread (" + LimitText(report) + ")");
    }
    if (report.framesLoaded < report.framesInFile) {
        std::string note = "read the first " + Seconds(report.framesLoaded / rate) + " of " +
                           Seconds(static_cast<double>(report.framesInFile) / rate);
        if (report.limitedByAddressing) {
            note += ", " + LimitText(report);
        } else {
            note += " (" + report.limit + "); --whole reads it all";
        }
        notes.push_back(note);
    }
    if (auto repaired = RepairNote(origin.repairs)) notes.push_back(*repaired);
    return notes;
}

std::optional<std::string> RepairNote(const SampleRepairs& repairs) {
    std::string note;
    // "12 samples beyond full scale were clipped", "1 NaN sample was read as 0".
    const auto add = [&note](std::int64_t n, const char* kind, const char* where,
                             const char* change) {
        if (n <= 0) return;
        if (!note.empty()) note += "; ";
        note += std::to_string(n) + kind + (n == 1 ? " sample" : " samples") + where +
                (n == 1 ? " was " : " were ") + change;
    };
    add(repairs.clipped, "", " beyond full scale", "clipped");
    add(repairs.infinite, " infinite", "", "read as full scale");
    add(repairs.nan, " NaN", "", "read as 0");
    if (note.empty()) return std::nullopt;
    return note;
}

ViewGeometry OpenedView(int sampleCount, int viewWidth) {
    ViewGeometry geometry;
    geometry.sampleCount = sampleCount;
    geometry.viewWidth = viewWidth;
    geometry.Reset();
    geometry.Update(GeometryChange::Refresh, 0, 0);
    geometry.samplesPerPixel = InitialSamplesPerPixel(sampleCount, viewWidth);
    geometry.Update(GeometryChange::Refresh, 0, 0);
    return geometry;
}

ViewGeometry CommandLineView(int sampleCount, const ViewOptions& options, std::string& note) {
    ViewGeometry geometry = OpenedView(sampleCount, options.columns);
    if (options.fit) {
        if (!geometry.fitToWindow) {
            note = "--fit has no effect: the sound's " + std::to_string(sampleCount) +
                   " samples are no more than the " + std::to_string(options.columns) +
                   " columns of the view";
        }
        return geometry;
    }
    geometry.fitToWindow = false;
    geometry.Update(GeometryChange::Refresh, 0, 0);
    if (options.samplesPerColumn) {
        // As after switching fitting off at this zoom: centred on the middle of the sound.
        geometry.samplesPerPixel = *options.samplesPerColumn;
        geometry.scroll.enabled = false;
        geometry.Update(GeometryChange::Refresh, 0, 0);
    }
    if (options.firstColumn) {
        const int wanted = *options.firstColumn;
        const int position = geometry.IsScrolled() ? geometry.ClampScrollPosition(wanted) : 0;
        if (position != wanted) {
            note = "first column " + std::to_string(wanted) + " lies beyond the scroll range; " +
                   "using " + std::to_string(position);
        }
        geometry.scroll.position = position;
    }
    return geometry;
}

}  // namespace tonalyx::requests
