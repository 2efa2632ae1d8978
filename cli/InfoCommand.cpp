#include <cstdint>
#include <cstdio>

#include "cli/Commands.h"
#include "document/SoundData.h"
#include "document/SoundFileInfo.h"
#include "requests/CommandView.h"
#include "requests/StreamedView.h"

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
        case 0x0000:
            return "none";
        case 0x0002:
            return "Microsoft ADPCM";
        case 0x0006:
            return "A-law";
        case 0x0007:
            return "u-law";
        case 0x0011:
            return "IMA ADPCM";
        case 0x0031:
            return "GSM 6.10";
        case 0x0055:
            return "MPEG layer 3";
        case 0xF1AC:
            return "FLAC";
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
    OpenedSound sound;
    if (auto refused = OpenSoundWithNotes(path, context.options, context.records,
                                          NotesOf(context, path), sound)) {
        out << "refused: " << *refused << "\n\n";
        return refused;
    }
    const LoadReport& report = sound.report;
    const SoundFileInfo& origin = report.origin;
    char tag[16];
    std::snprintf(tag, sizeof tag, "0x%04X", static_cast<unsigned>(origin.formatTag));
    const double rate = report.sampleRate;
    out << "reader: " << report.reader << " (" << SoundReaderName(origin.reader) << ")\n"
        << "container: " << origin.container << '\n'
        << "codec: " << origin.codec << '\n'
        << "format tag: " << tag << " (" << FormatTagName(origin.formatTag) << ")\n"
        << "channels: " << origin.channels << '\n'
        << "sample rate: " << origin.sampleRate << " Hz\n"
        << "bits per sample: " << origin.bitsPerSample << '\n'
        << "length: " << report.framesInFile << " samples, " << Seconds(report.framesInFile / rate)
        << '\n'
        << "channel read: " << report.channelRead << '\n'
        << "loaded: " << report.framesLoaded << " samples, " << Seconds(report.framesLoaded / rate);
    if (report.framesLoaded < report.framesInFile) out << " (" << report.limit << ")";
    out << "\n\n";
    return std::nullopt;
}

}  // namespace tonalyx::cli
