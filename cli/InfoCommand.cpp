#include <cstdint>
#include <cstdio>

#include "cli/CommandView.h"
#include "cli/Commands.h"
#include "document/SoundData.h"

namespace tonalyx::cli {

namespace {

const char* FormatTagName(std::uint16_t tag) {
    switch (tag) {
        case kWaveFormatPcm:
            return "PCM";
        case kWaveFormatIeeeFloat:
            return "IEEE float";
        case kWaveFormatExtensible:
            return "extensible";
        default:
            return "other";
    }
}

std::string Seconds(double seconds) {
    char text[40];
    std::snprintf(text, sizeof text, "%.6f s", seconds);
    return text;
}

}  // namespace

std::optional<std::string> RunInfo(const std::string& path, CommandContext& context) {
    std::ostream& out = context.out;
    out << "file: " << path << '\n';
    SoundData sound;
    LoadReport report;
    if (auto refused = LoadSoundWithNotes(path, context, sound, report)) {
        out << "refused: " << *refused << "\n\n";
        return refused;
    }
    const WaveFormat& format = report.fileFormat;
    char tag[16];
    std::snprintf(tag, sizeof tag, "0x%04X", static_cast<unsigned>(format.formatTag));
    const double rate = report.sampleRate;
    out << "reader: " << report.reader << '\n'
        << "format tag: " << tag << " (" << FormatTagName(format.formatTag) << ")\n"
        << "channels: " << format.channels << '\n'
        << "sample rate: " << format.sampleRate << " Hz\n"
        << "bits per sample: " << format.bitsPerSample << '\n'
        << "length: " << report.framesInFile << " samples, " << Seconds(report.framesInFile / rate)
        << '\n'
        << "channel read: " << report.channelRead << '\n'
        << "loaded: " << report.framesLoaded << " samples, " << Seconds(report.framesLoaded / rate);
    if (report.framesLoaded < report.framesInFile) {
        out << " (maxSoundLength " << report.maxSoundLength << " s)";
    }
    out << "\n\n";
    return std::nullopt;
}

}  // namespace tonalyx::cli
