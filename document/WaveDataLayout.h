#pragma once

#include <cstdint>

#include "document/ByteSource.h"
#include "document/SoundData.h"
#include "document/WaveFormatDecode.h"
#include "document/WaveReader.h"

namespace tonalyx {

// Where the samples of a wave file lie and how one channel of them is read.
struct WaveDataLayout {
    SampleCoding coding = SampleCoding::Signed16;
    int64_t dataOffset = 0;    // file offset of the first frame
    int64_t frameBytes = 0;    // bytes of one interleaved frame
    int64_t sampleOffset = 0;  // bytes from a frame's start to the chosen channel's sample
    int channel = 0;           // the channel taken, clamped to the file's channels
    // Whole frames of the data chunk that the file really holds, before any cut to
    // maxSoundLength.
    int64_t frames = 0;
    // The whole frames the data chunk's size claims; -1 when the size is 0xFFFFFFFF, which a
    // streaming writer leaves unset, and the data run to the end of the file.
    int64_t claimedFrames = -1;
};

// The file as the wave reader describes it, from the format and the layout of its data.
SoundFileInfo WaveFileInfo(const WaveFormat& format, const WaveDataLayout& layout);

// Walks the chunks, reads the "fmt " chunk into sound.format and works out the layout of the
// channel. The same checks, in the same order, as ReadWaveData makes before it reads samples;
// a data chunk without one whole frame in the file gives NoWholeFrame.
WaveReadError LocateWaveData(SoundData& sound, ByteSource& source, int channel,
                             WaveDataLayout& layout);

}  // namespace tonalyx
