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

// Samples that the conversion of real values (float data, lossy codecs) to 16 bits changed
// beyond the rounding: values past full scale (±1.0) clipped to it, infinities read as full
// scale, NaNs read as silence.
struct SampleRepairs {
    int64_t clipped = 0;
    int64_t infinite = 0;
    int64_t nan = 0;

    bool Any() const { return clipped != 0 || infinite != 0 || nan != 0; }
    SampleRepairs& operator+=(const SampleRepairs& other) {
        clipped += other.clipped;
        infinite += other.infinite;
        nan += other.nan;
        return *this;
    }
};

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
    int64_t frames = 0;     // sample frames that can be read, as far as the file holds them
    // The frames the container's header claims (its data size, or its frame count), more than
    // frames when the file was cut short; -1 where the header claims no length of its own (an
    // Ogg stream, an AU written as a stream) and frames is the reader's own count.
    int64_t claimedFrames = -1;
    // The data chunk's size is 0xFFFFFFFF, which a writer that cannot seek back leaves: the
    // data were read to the end of the file.
    bool sizeUnset = false;
    // The file is the start of a stream (a pipe) that was read only up to the read limit.
    bool streamCut = false;
    // What the conversion changed in the samples read so far, each frame counted once.
    SampleRepairs repairs;
};

}  // namespace tonalyx
