#pragma once

#include <memory>
#include <string>

#include "document/FrameSource.h"
#include "document/SoundData.h"
#include "document/WaveReader.h"

namespace tonalyx {

// Why a sound file was refused: our wave reader's reason and libsndfile's, as far as each
// was asked.
struct SoundReadError {
    WaveReadError wave = WaveReadError::None;  // None when the wave reader accepted the file
    std::string waveText;                      // its reason, with the format tag or bit depth
    std::string sndfile;                       // libsndfile's own text; empty when not asked

    // One line for the user: the wave reader's reason for a file it knew as a wave (and for a
    // file that cannot be opened at all), otherwise libsndfile's.
    std::string Describe() const;
};

// The one way the program turns a file into a sound. PCM and float waves named .wav go
// through ReadWaveFile exactly as it reads them; every file it refuses for its name or its
// format goes to libsndfile, which recognises the format by the content. Either way the
// sound is the chosen channel (clamped to the file's channels) as 16-bit samples, at most
// sound.maxSoundLength seconds of it (only those frames are decoded), with sound.origin
// describing the file. A file cut short by damage is read as far as it decodes. On false the
// samples and sampleCount are those of before the call and *error says why.
bool ReadSoundFile(SoundData& sound, const std::string& path, int channel,
                   SoundReadError* error = nullptr);

// Fills sound from a frame source as ReadSoundFile fills it from a file libsndfile reads:
// the frames up to maxSoundLength seconds, the format rewritten to mono 16 bits, the
// source's description as sound.origin. False (sound unchanged, *error set) when no frame
// could be decoded or memory ran out.
bool LoadSoundFrames(SoundData& sound, FrameSource& source, std::string* error = nullptr);

// A frame source on the file, chosen as ReadSoundFile chooses its reader. Null, with the
// reason, when neither reader takes the file.
std::unique_ptr<FrameSource> OpenFrameSource(const std::string& path, int channel,
                                             SoundReadError* error = nullptr);

}  // namespace tonalyx
