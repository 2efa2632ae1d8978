#pragma once

#include <cstdint>
#include <memory>

#include "document/ByteSource.h"

namespace tonalyx {

// What a container's header says of the sound's length, read from the header itself: a
// decoder reads what the file holds, so only the header tells a file cut short from a short
// file.
struct LengthClaim {
    int64_t frames = -1;     // the sample frames the header claims; -1 where it claims none
    bool sizeUnset = false;  // a RIFF data chunk's size of 0xFFFFFFFF: "to the end of the file"
    // A CAF data chunk that runs past the end of the file, which libsndfile refuses outright:
    // the offset of its 64-bit size field, -1 when the chunk is whole, and the size that
    // covers the bytes the file holds.
    int64_t cutSizeField = -1;
    int64_t heldSize = 0;
};

// The claim of a WAV (RIFF, RIFX, RF64, BW64, Sony Wave64), AIFF or AIFF-C, AU, CAF or NIST
// SPHERE header: the data size over the size of a frame (or of a block of frames), or the
// frame count the header states. No claim for other files (FLAC, Ogg and MP3 give theirs to
// the decoder), for an AU or CAF whose data size was left open, or for a header that does not
// say it plainly. Reads from the start of bytes and leaves the position anywhere.
LengthClaim ReadLengthClaim(ByteSource& bytes);

// The bytes as libsndfile can read them: a CAF cut short with its data chunk's size set to
// what the file holds; any other file unchanged.
std::unique_ptr<ByteSource> ReadableAsHeld(std::unique_ptr<ByteSource> bytes,
                                           const LengthClaim& claim);

}  // namespace tonalyx
