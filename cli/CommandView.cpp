#include "cli/CommandView.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "cli/OutputFiles.h"
#include "document/ByteSource.h"
#include "document/SoundFile.h"
#include "document/WaveFormatDecode.h"
#include "document/WaveReader.h"

namespace tonalyx::cli {

namespace {

// The setting that limits how much of a long file the window reads.
constexpr std::string_view kLengthSetting = "maxSoundLength";

// Why the file cannot be opened for reading, in the system's words.
std::string OpenFailure(const std::string& path) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) return SystemReason(EISDIR);
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return SystemReason(errno);
    ::close(descriptor);
    return DescribeWaveReadError(WaveReadError::CannotOpen);
}

bool IsPlainCoding(std::uint16_t tag) {
    return tag == kWaveFormatPcm || tag == kWaveFormatIeeeFloat || tag == kWaveFormatExtensible;
}

// The frames the data chunk of a RIFF wave of PCM or float samples claims; none for other
// files, whose header claim is the reader's frame count.
std::optional<std::int64_t> DataChunkClaim(const std::string& path) {
    FileByteSource file(path);
    SoundData probe;
    if (!file.IsOpen() || !ScanChunks(probe, file) || probe.fmtChunk.offset == 0) {
        return std::nullopt;
    }
    std::array<std::uint8_t, kFormatChunkMinSize> body{};
    if (!file.Seek(probe.fmtChunk.offset) || file.Read(body.data(), body.size()) < body.size()) {
        return std::nullopt;
    }
    const WaveFormat format = ParseWaveFormat(body.data());
    if (!IsPlainCoding(format.formatTag)) return std::nullopt;
    const std::int64_t frameBytes = std::int64_t{std::max<int>(format.channels, 1)} *
                                    ((std::max<int>(format.bitsPerSample, 8) + 7) / 8);
    return std::max<std::int64_t>(probe.dataChunk.size, 0) / frameBytes;
}

std::string Seconds(double seconds) {
    char text[40];
    std::snprintf(text, sizeof text, "%.3f s", seconds);
    return text;
}

}  // namespace

std::string FileNamePart(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::string RefusalText(const std::string& path, const SoundReadError& error) {
    if (error.wave == WaveReadError::CannotOpen) return "cannot open: " + OpenFailure(path);
    return "cannot open: " + error.Describe();
}

bool FillLoadReport(const std::string& path, const SoundFileInfo& origin, int channelAsked,
                    int channelRead, std::int64_t framesWanted, std::int64_t framesRead,
                    LoadReport& report) {
    report.origin = origin;
    report.reader = origin.reader == SoundReader::Wave ? "wave" : "libsndfile";
    report.channelAsked = channelAsked;
    report.channelRead = channelRead;
    report.sampleRate = origin.sampleRate;
    report.framesLoaded = framesRead;
    report.claimedFrames = origin.frames;
    report.framesInFile = origin.frames;
    if (origin.container == "WAV") {
        if (auto claim = DataChunkClaim(path)) report.claimedFrames = *claim;
    }
    // A read that stopped before the frames it asked for found the end of what decodes.
    if (framesRead < framesWanted) report.framesInFile = framesRead;
    report.framesInFile = std::min(report.framesInFile, report.claimedFrames);
    return framesRead <= report.framesInFile;
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
    if (!FillLoadReport(path, origin, file.channelIndex, sound.channelIndex, wanted,
                        sound.sampleCount, *report)) {
        return "the file changed while it was read";
    }
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
    if (report.framesInFile < report.claimedFrames) {
        const bool wave = report.reader == "wave" || report.origin.container == "WAV";
        notes.push_back((wave ? "the data chunk holds " : "the file decodes to ") +
                        std::to_string(report.framesInFile) + " of the " +
                        std::to_string(report.claimedFrames) +
                        " samples its header claims; read what it holds");
    }
    if (report.framesLoaded < report.framesInFile) {
        std::string note = "read the first " + Seconds(report.framesLoaded / rate) + " of " +
                           Seconds(static_cast<double>(report.framesInFile) / rate);
        if (report.limitedByAddressing) {
            note += ", the most the command line addresses (" +
                    std::to_string(report.framesLoaded) + " samples)";
        } else {
            note += " (" + report.limit + "); --whole reads it all";
        }
        notes.push_back(note);
    }
    return notes;
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

}  // namespace tonalyx::cli
