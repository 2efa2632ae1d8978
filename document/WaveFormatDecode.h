#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "document/SoundData.h"
#include "document/SoundFileInfo.h"
#include "document/WaveReader.h"

namespace tonalyx {

// How one sample of one channel is stored in the data chunk.
enum class SampleCoding { Unsigned8, Signed16, Signed24, Signed32, Float32, Float64 };

// The length of the fixed part of the "fmt " chunk, and of its extensible form.
constexpr std::size_t kFormatChunkMinSize = 16;
constexpr std::size_t kExtensibleFormatSize = 40;

int BytesPerSample(SampleCoding coding);

// The first 16 bytes of a "fmt " chunk as numbers.
WaveFormat ParseWaveFormat(const uint8_t* body);

// Works out the coding of the samples from the "fmt " chunk's leading bytes (16 to 40 of
// them; the extensible form needs all 40). Returns WaveReadError::None and sets coding, or
// the reason the samples cannot be converted.
WaveReadError ChooseSampleCoding(std::span<const uint8_t> formatBody, SampleCoding& coding);

// What the wave reader's coding is called: "PCM 16-bit", "float 32-bit".
const char* WaveCodecName(SampleCoding coding);

// A real sample of full scale ±1.0 as a 16-bit value: scaled by 32768, truncated toward zero,
// clipped to the 16-bit range; NaN becomes 0. A value beyond full scale, an infinity or a NaN
// is counted in repairs.
int16_t FloatToSample(double value, SampleRepairs& repairs);

// Converts one channel of interleaved frames to 16 bits: out[i] comes from frame i, at
// sampleOffset bytes into it. Stops at the last whole frame or when out is full; the sample
// must lie inside the frame (sampleOffset + BytesPerSample(coding) <= frameBytes). What the
// conversion of real samples changed is added to *repairs unless it is null.
void ConvertChannel(std::span<const uint8_t> frames, std::size_t frameBytes,
                    std::size_t sampleOffset, SampleCoding coding, std::span<int16_t> out,
                    SampleRepairs* repairs = nullptr);

}  // namespace tonalyx
