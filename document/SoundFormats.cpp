#include "document/SoundFormats.h"

#include <array>
#include <sstream>

namespace tonalyx {
namespace {

constexpr std::array kKinds = {
    SoundFileKind{"WAV", "wav wave", "audio/x-wav;audio/vnd.wave"},
    SoundFileKind{"FLAC", "flac", "audio/flac"},
    SoundFileKind{"Ogg", "ogg oga opus", "audio/ogg;audio/x-vorbis+ogg;audio/x-opus+ogg"},
    SoundFileKind{"MPEG", "mp3", "audio/mpeg"},
    SoundFileKind{"AIFF", "aif aiff aifc", "audio/x-aiff;audio/x-aifc"},
    SoundFileKind{"AU", "au snd", "audio/basic"},
    SoundFileKind{"CAF", "caf", "audio/x-caf"},
    SoundFileKind{"W64", "w64", "audio/x-w64"},
    SoundFileKind{"RF64", "rf64", "audio/x-rf64"},
    SoundFileKind{"NIST SPHERE", "sph nist", "audio/x-nist"},
};

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::span<const SoundFileKind> SoundFileKinds() {
    return kKinds;
}

std::string SoundFilePatterns() {
    std::string patterns;
    for (const SoundFileKind& kind : kKinds) {
        std::istringstream words(kind.extensions);
        for (std::string extension; words >> extension;) {
            if (!patterns.empty()) patterns += ' ';
            patterns += "*." + extension;
        }
    }
    return patterns;
}

std::string SoundMimeTypes() {
    std::string types;
    for (const SoundFileKind& kind : kKinds)
        types += std::string(kind.mimeTypes) + ';';
    return types;
}

bool HasSoundFileExtension(const std::string& path) {
    const std::size_t separator = path.find_last_of("/\\");
    const std::size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return false;
    std::string extension = path.substr(dot + 1);
    for (char& c : extension)
        c = LowerAscii(c);
    for (const SoundFileKind& kind : kKinds) {
        std::istringstream words(kind.extensions);
        for (std::string known; words >> known;) {
            if (known == extension) return true;
        }
    }
    return false;
}

}  // namespace tonalyx
