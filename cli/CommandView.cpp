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
#include "document/WaveFormatDecode.h"
#include "document/WaveReader.h"

namespace tonalyx::cli {

namespace {

// The option that changes how much of a long file is read.
constexpr std::string_view kLengthSetting = "maxSoundLength";
constexpr int kLongestLengthSetting = 300;

// Why the file cannot be opened for reading, in the system's words.
std::string OpenFailure(const std::string& path) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) return SystemReason(EISDIR);
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return SystemReason(errno);
    ::close(descriptor);
    return DescribeWaveReadError(WaveReadError::CannotOpen);
}

// The file's own format and the frames its data chunk claims and holds, before the reader
// turned it into one 16-bit channel. False when the chunks cannot be found again.
bool ReadFileFacts(const std::string& path, LoadReport& report) {
    FileByteSource file(path);
    SoundData probe;
    if (!file.IsOpen() || !ScanChunks(probe, file) || probe.fmtChunk.offset == 0) return false;
    std::array<std::uint8_t, kFormatChunkMinSize> body{};
    if (!file.Seek(probe.fmtChunk.offset) || file.Read(body.data(), body.size()) < body.size()) {
        return false;
    }
    report.fileFormat = ParseWaveFormat(body.data());
    const std::int64_t frameBytes = std::int64_t{std::max<int>(report.fileFormat.channels, 1)} *
                                    ((std::max<int>(report.fileFormat.bitsPerSample, 8) + 7) / 8);
    const std::int64_t claimed = std::max<std::int64_t>(probe.dataChunk.size, 0);
    const std::int64_t inFile = std::max<std::int64_t>(file.Size() - probe.dataChunk.offset, 0);
    report.claimedFrames = claimed / frameBytes;
    report.framesInFile = std::min(claimed, inFile) / frameBytes;
    return true;
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

std::optional<std::string> LoadSound(const std::string& path, const FileSettings& file,
                                     SoundData& sound, LoadReport* report) {
    sound.maxSoundLength = file.maxSoundLength;
    WaveReadError error = WaveReadError::None;
    if (!ReadWaveFile(sound, path, file.channelIndex, &error)) {
        if (error == WaveReadError::CannotOpen) return "cannot open: " + OpenFailure(path);
        return "cannot open: " + DescribeWaveReadError(error, sound.format);
    }
    if (report == nullptr) return std::nullopt;
    *report = LoadReport{};
    report->channelAsked = file.channelIndex;
    report->channelRead = sound.channelIndex;
    report->framesLoaded = sound.sampleCount;
    report->sampleRate = sound.format.sampleRate;
    report->maxSoundLength = file.maxSoundLength;
    if (!ReadFileFacts(path, *report)) return "the file changed while it was read";
    return std::nullopt;
}

std::vector<std::string> LoadNotes(const LoadReport& report) {
    std::vector<std::string> notes;
    const double rate = report.sampleRate > 0 ? report.sampleRate : 1;
    if (report.channelRead != report.channelAsked) {
        notes.push_back("channel " + std::to_string(report.channelAsked) + " does not exist in " +
                        std::to_string(report.fileFormat.channels) +
                        (report.fileFormat.channels == 1 ? " channel" : " channels") +
                        "; read channel " + std::to_string(report.channelRead) + ", the last one");
    }
    if (report.framesInFile < report.claimedFrames) {
        notes.push_back("the data chunk holds " + std::to_string(report.framesInFile) + " of the " +
                        std::to_string(report.claimedFrames) +
                        " samples its header claims; read what it holds");
    }
    if (report.framesLoaded < report.framesInFile) {
        const double whole = static_cast<double>(report.framesInFile) / rate;
        std::string note = "read the first " + Seconds(report.framesLoaded / rate) + " of " +
                           Seconds(whole) + " (" + std::string(kLengthSetting) + " " +
                           std::to_string(report.maxSoundLength) + " s)";
        const int wanted = std::min(kLongestLengthSetting, static_cast<int>(std::ceil(whole)));
        if (wanted > report.maxSoundLength) {
            note += "; --set " + std::string(kLengthSetting) + "=" + std::to_string(wanted) +
                    (wanted < whole ? " reads the most" : " reads it whole");
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
