#pragma once

#include <cstdint>
#include <string>

namespace tonalyx {

// Which reader decoded a sound file.
enum class SoundReader {
    None,
    Wave,     // the program's own reader of PCM and float waves
    Sndfile,  // libsndfile, for every other format
};

// "Tonalyx wave reader", or libsndfile's name and version.
std::string SoundReaderName(SoundReader reader);

// What a sound file holds, as the reader that took it describes it.
struct SoundFileInfo {
    SoundReader reader = SoundReader::None;
    std::string container;  // "WAV", "FLAC", "AIFF", "AIFF-C", "Ogg", "MPEG", ...
    std::string codec;      // "PCM 16-bit", "FLAC 24-bit", "u-law", "Vorbis", "MP3", ...
    // The wave format code of the coding ("fmt " chunk of a wave, or the code the coding has
    // in waves for other containers); 0 for codings that have none.
    uint16_t formatTag = 0;
    uint32_t sampleRate = 0;
    int channels = 0;       // channels in the file
    int bitsPerSample = 0;  // bits of one coded sample; 0 for codecs without a fixed size
    int64_t frames = 0;     // sample frames in the file, as its header or index gives them
};

}  // namespace tonalyx
