#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>

#include "document/SoundFileInfo.h"

namespace tonalyx {

// One channel of a sound file, handed out in stretches on demand, so that long recordings are
// never held whole. The samples are 16-bit values converted exactly as the whole-file read
// (ReadSoundFile) converts them.
class FrameSource {
public:
    virtual ~FrameSource() = default;

    // The file as its reader describes it; Info().frames is the file's length in frames, and
    // Info().repairs counts what the conversion changed in the frames read so far.
    const SoundFileInfo& Info() const { return info_; }
    // The channel handed out: the one asked for, clamped to the file's channels.
    int Channel() const { return channel_; }

    // Reads frames [first, first + out.size()) into out and returns how many came: fewer at
    // the end of the file, or where damaged data stops the decoder; 0 for a first frame
    // outside the file. Each frame's repairs are counted once, however often it is read.
    std::size_t ReadFrames(int64_t first, std::span<int16_t> out);

    // Whether frame `frame` can be read, found as cheaply as the reader can. A reader whose seek
    // is not exact answers by seeking rather than by decoding everything before the frame, so
    // damage that stops a decode from the start short of the frame shows only when that
    // stretch is read. The frame's repairs are not counted: it is looked at, not used.
    virtual bool CanReadFrame(int64_t frame);

protected:
    FrameSource() = default;

    // Decodes frames [first, first + out.size()) of [0, Info().frames) into out, adding what
    // the conversion changed to *repairs unless it is null; returns the frames decoded.
    virtual std::size_t Decode(int64_t first, std::span<int16_t> out, SampleRepairs* repairs) = 0;

    SoundFileInfo info_;
    int channel_ = 0;

private:
    // The frames whose repairs are counted: disjoint stretches [first, end), by first.
    std::map<int64_t, int64_t> counted_;
    void MarkCounted(int64_t first, int64_t end);
};

}  // namespace tonalyx
