#include "requests/SoundSource.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "document/SoundFile.h"

namespace tonalyx::requests {

namespace {

// Frames read per call when looking for the end of a damaged file, as a whole read reads.
constexpr std::size_t kScanFrames = 1 << 16;

std::string WholeOrDecimal(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// The frames of [0, wanted) that a read from the start gets before the decoder stops, where a
// whole read stops.
std::int64_t FramesBeforeDamage(FrameSource& source, std::int64_t wanted) {
    std::vector<std::int16_t> block(kScanFrames);
    std::int64_t done = 0;
    while (done < wanted) {
        const auto count =
            static_cast<std::size_t>(std::min<std::int64_t>(kScanFrames, wanted - done));
        const std::size_t got = source.ReadFrames(done, {block.data(), count});
        done += static_cast<std::int64_t>(got);
        if (got < count) break;
    }
    return done;
}

// The part of a stream that the limit asks for: a stream is read once, into memory.
StreamLimit StreamLimitOf(const ReadLimit& limit) {
    StreamLimit stream;
    stream.frames = kMaxAddressableFrames;
    if (limit.whole) return stream;
    if (limit.maxSeconds) {
        stream.seconds = *limit.maxSeconds;
    } else if (limit.maxSoundLength >= 1) {
        stream.seconds = limit.maxSoundLength;
    }
    return stream;
}

}  // namespace

ReadLimit ReadLimitOf(const AnalysisRequest& options, const FileSettings& file) {
    return {file.maxSoundLength, options.maxSeconds, options.whole};
}

std::optional<std::string> OpenSound(const std::string& path, int channel, const ReadLimit& limit,
                                     OpenedSound& sound) {
    SoundReadError error;
    const StreamLimit streamLimit = StreamLimitOf(limit);
    sound.source = OpenFrameSource(path, channel, &error, streamLimit);
    if (!sound.source) return RefusalText(path, error);
    const SoundFileInfo info = sound.source->Info();
    sound.sampleRate = info.sampleRate;

    std::int64_t wanted = info.frames;
    LoadReport& report = sound.report;
    report = LoadReport{};
    if (limit.whole) {
        report.limit = "--whole";
    } else if (limit.maxSeconds) {
        wanted = std::min(wanted, FramesWithin(*limit.maxSeconds, info.sampleRate));
        report.limit = "--max-seconds " + WholeOrDecimal(*limit.maxSeconds);
    } else if (limit.maxSoundLength >= 1) {
        wanted =
            std::min<std::int64_t>(wanted, std::int64_t{limit.maxSoundLength} * info.sampleRate);
        report.limit = "maxSoundLength " + std::to_string(limit.maxSoundLength) + " s";
    }
    const bool addressing = wanted > kMaxAddressableFrames;
    wanted = std::min(wanted, kMaxAddressableFrames);
    sound.frames = wanted;
    if (wanted > 0 && !sound.source->CanReadFrame(wanted - 1)) {
        // Damaged: a decoder that failed once is opened afresh for each further pass.
        sound.source = OpenFrameSource(path, channel, &error, streamLimit);
        if (sound.source) sound.frames = FramesBeforeDamage(*sound.source, wanted);
        if (sound.source) sound.source = OpenFrameSource(path, channel, &error, streamLimit);
        if (!sound.source) return "the file changed while it was read";
    }
    if (sound.frames == 0) {
        return std::string("cannot open: ") + (wanted == 0 ? "--max-seconds reads no whole sample"
                                                           : "no sample frame could be decoded");
    }
    FillLoadReport(path, info, channel, sound.source->Channel(), wanted, sound.frames, report);
    // A stream is cut as it is read, by the limit or by the most frames addressed.
    report.limitedByAddressing = (addressing && sound.frames == wanted) ||
                                 (info.streamCut && sound.frames == kMaxAddressableFrames);
    return std::nullopt;
}

SoundFrames::SoundFrames(OpenedSound& sound) : sound_(sound) {}

void SoundFrames::Read(std::int64_t first, std::span<std::int16_t> out) {
    if (first < 0 || first + static_cast<std::int64_t>(out.size()) > sound_.frames ||
        sound_.source->ReadFrames(first, out) != out.size()) {
        throw std::runtime_error("the file could not be read at sample " + std::to_string(first) +
                                 ": it is damaged there or changed while it was read");
    }
}

void SoundFrames::Fill(long long start, int length, double* frame) {
    const std::int64_t low = std::clamp<std::int64_t>(start, 0, sound_.frames);
    const std::int64_t high = std::clamp<std::int64_t>(start + length, low, sound_.frames);
    const std::int64_t heldEnd = heldStart_ + static_cast<std::int64_t>(held_.size());
    if (low < heldStart_ || high > heldEnd) {
        // Keep what overlaps the samples held, read only the rest.
        std::vector<std::int16_t> next(static_cast<std::size_t>(high - low));
        std::int64_t readFrom = low;
        if (low >= heldStart_ && low < heldEnd) {
            const std::int64_t kept = heldEnd - low;
            std::memcpy(next.data(), held_.data() + (low - heldStart_),
                        static_cast<std::size_t>(kept) * sizeof(std::int16_t));
            readFrom = heldEnd;
        }
        if (high > readFrom) {
            Read(readFrom,
                 {next.data() + (readFrom - low), static_cast<std::size_t>(high - readFrom)});
        }
        held_ = std::move(next);
        heldStart_ = low;
    }
    const long long before = low - start;
    std::fill(frame, frame + before, 0.0);
    const std::int16_t* samples = held_.data() + (low - heldStart_);
    for (std::int64_t k = 0; k < high - low; ++k)
        frame[before + k] = samples[k];
    std::fill(frame + before + (high - low), frame + length, 0.0);
}

}  // namespace tonalyx::requests
