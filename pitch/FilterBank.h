#pragma once

#include <complex>
#include <vector>

namespace tonalyx {

// The complex band-pass filters of the pitch extractor and the Gaussians that smooth its noise
// ratios, one of each per channel. Channel k is centred on f_k = minFreq 2^(k/P); its time
// scale is t = lengthFactor periods of f_k, counted in decimated samples.

// Decimation: hop input samples per decimated sample, about this many per period of the
// highest channel.
constexpr double kSamplesPerTopPeriod = 6.3;
// The filter's Gaussian spans +-(trunc(3.5 t) - 1) samples.
constexpr double kGaussianExtent = 3.5;
// The envelope is trimmed where it falls below this.
constexpr double kEnvelopeFloor = 0.0001;
// Half-length factor of the smoothing Gaussian: sqrt(-ln(2^-17) / pi), where it falls to 2^-17.
constexpr double kSmoothingExtent = 1.9366995643607392;

// One channel's filter: the sizes of its parts as built, and the trimmed taps with the carrier.
struct ChannelFilter {
    double timeScale = 0;    // t
    int gaussianLength = 0;  // 2u - 1, u = trunc(3.5 t)
    int triangleLength = 0;  // 2D, D the largest integer below t
    int envelopeLength = 0;  // 2u + 2D - 2, Gaussian convolved with triangle, before trimming
    std::vector<std::complex<double>> taps;  // J values; empty when the channel is unusable
};

// The filter of time scale t whose Gaussian has the height sqrt(rho). A time scale of 1 or
// less leaves no triangle (and below 1/3.5 no Gaussian): such a channel's filter is empty.
ChannelFilter DesignChannelFilter(double timeScale, double rho, double lengthFactor);

// The smoothing Gaussian of time scale t: 2o - 1 values, o = trunc(1.93669956 t), summing to 1.
// Empty when o < 1.
std::vector<double> SmoothingGaussian(double timeScale);

// Everything the extractor derives from its parameters before it sees the sound.
struct PitchFilterBank {
    int hop = 1;      // input samples per decimated sample
    double rate = 0;  // decimated sampling rate
    double minFreq = 0;
    int channelsPerOctave = 1;
    int requestedChannels = 0;
    // The usable channels, lowest first: their centre frequencies, filters and smoothing
    // Gaussians. Channels whose filter is empty (time scale of 1 or less, that is, centred
    // far above the decimated rate) always form the top of the bank and are left out, as if
    // fewer channels had been asked for.
    std::vector<double> centre;
    std::vector<ChannelFilter> filters;
    std::vector<std::vector<double>> smoothing;

    int Channels() const { return static_cast<int>(centre.size()); }
};

// The input samples per decimated sample: trunc(sampleRate / (6.3 f_top)), at least 1, where
// f_top = minFreq 2^((channels - 1) / channelsPerOctave) is the highest channel. The arguments as
// DesignPitchFilterBank takes them (std::invalid_argument otherwise).
int PitchDecimationHop(double sampleRate, double minFreq, int channels, int channelsPerOctave);

// channels >= 1, channelsPerOctave >= 1 and positive finite rates, frequency and length factor
// (std::invalid_argument otherwise); std::length_error when a filter would not fit in memory.
PitchFilterBank DesignPitchFilterBank(double sampleRate, double minFreq, int channels,
                                      int channelsPerOctave, double lengthFactor);

}  // namespace tonalyx
