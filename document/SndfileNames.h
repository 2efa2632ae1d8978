#pragma once

#include <cstdint>
#include <string>

namespace tonalyx {

// How libsndfile's format codes read for a user, and what they mean for the conversion.

// The container of a libsndfile major format: "WAV", "AIFF", "FLAC", "Ogg", ...
std::string SndfileContainerName(int format);
// The coding of a libsndfile format (major and sub-format): "PCM 16-bit", "FLAC 24-bit",
// "u-law", "Vorbis", "MP3", ...
std::string SndfileCodecName(int format);
// The wave format code of the coding; 0 for codings that have none in waves.
uint16_t SndfileFormatTag(int format);
// The bits of one coded sample; 0 for codecs without a fixed size.
int SndfileBitsPerSample(int format);
// True when libsndfile decodes the coding to real values (float data, lossy codecs), false
// when it decodes to integers.
bool SndfileDecodesToReals(int format);
// True when libsndfile's seek lands on exactly the samples a decode from the start gives:
// uncompressed data, G.711, FLAC and the block-wise ADPCMs. Codecs that carry state from one
// block to the next (GSM 6.10, Vorbis, Opus, MP3, ...) need not.
bool SndfileSeeksExactly(int format);

}  // namespace tonalyx
