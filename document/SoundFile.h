#pragma once

#include <memory>
#include <string>

#include "document/FrameSource.h"
#include "document/SoundData.h"
#include "document/WaveReader.h"
#include "document/WaveStream.h"

namespace tonalyx {

// Why a sound file was refused: our wave reader's reason and libsndfile's, as far as each
// was asked.
struct SoundReadError {
    // Why the input itself could not be read: the system's reason for a failed open, or a
    // stream's (no process writes to the pipe, the stream is no wave); empty when it was read.
    std::string input;
    WaveReadError wave = WaveReadError::None;  // None when the wave reader accepted the file
    std::string waveText;                      // its reason, with the format tag or bit depth
    std::string sndfile;                       // libsndfile's own text; empty when not asked

    // One line for the user: the input's reason, else the wave reader's for a file it knew as
    // a wave, otherwise libsndfile's.
    std::string Describe() const;
};

// The one way the program turns a file into a sound. PCM and float waves named .wav go
// through ReadWaveFile exactly as it reads them; every file it refuses for its name or its
// format goes to libsndfile, which recognises the format by the content. Either way the
// sound is the chosen channel (clamped to the file's channels) as 16-bit samples, at most
// sound.maxSoundLength seconds of it (only those frames are decoded), with sound.origin
// describing the file and what the conversion changed. A file cut short by damage is read as
// far as it decodes. A stream (a pipe, a FIFO, a process substitution) is read once, as a
// wave whatever its name, and only as far as maxSoundLength asks. On false the samples and
// sampleCount are those of before the call and *error says why.
bool ReadSoundFile(SoundData& sound, const std::string& path, int channel,
                   SoundReadError* error = nullptr);

// Fills sound from a frame source as ReadSoundFile fills it from a file libsndfile reads:
// the frames up to maxSoundLength seconds, the format rewritten to mono 16 bits, the
// source's description as sound.origin. False (sound unchanged, *error set) when no frame
// could be decoded or memory ran out.
bool LoadSoundFrames(SoundData& sound, FrameSource& source, std::string* error = nullptr);

// A frame source on the file, chosen as ReadSoundFile chooses its reader; a stream is read
// into memory up to streamLimit. Null, with the reason, when neither reader takes the file.
std::unique_ptr<FrameSource> OpenFrameSource(const std::string& path, int channel,
                                             SoundReadError* error = nullptr,
                                             const StreamLimit& streamLimit = {});

}  // namespace tonalyx
