#include "pitch/FilterBank.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "dsp/Convolution.h"

namespace tonalyx {
namespace {

constexpr double kPi = std::numbers::pi;
// Filters longer than this many samples would not fit in memory anyway.
constexpr double kLongestFilter = 1 << 26;
// Envelopes with more products than this are convolved by FFT: for the lowest channels of a
// wide, finely sampled bank the direct sum would take seconds.
constexpr double kLongestDirectEnvelope = 1 << 24;

bool IsPositiveFinite(double x) {
    return std::isfinite(x) && x > 0;
}

std::vector<double> Gaussian(int length, int centre, double timeScale, double height) {
    std::vector<double> g(static_cast<std::size_t>(length));
    for (int j = 0; j < length; ++j) {
        const double x = (j - centre) / timeScale;
        g[j] = height * std::exp(-kPi * (x * x));
    }
    return g;
}

// 2D values falling linearly from 1 at the middle pair: w[D + i] = w[D - 1 - i] = 1 - i / t.
std::vector<double> Triangle(int halfLength, double timeScale) {
    std::vector<double> w(2 * static_cast<std::size_t>(halfLength));
    for (int i = 0; i < halfLength; ++i)
        w[halfLength + i] = w[halfLength - 1 - i] = 1 - i / timeScale;
    return w;
}

std::vector<double> Convolve(const std::vector<double>& a, const std::vector<double>& b) {
    const int na = static_cast<int>(a.size()), nb = static_cast<int>(b.size());
    if (static_cast<double>(na) * nb > kLongestDirectEnvelope)
        return FftConvolveReal(a.data(), na, b.data(), nb);
    std::vector<double> out(a.size() + b.size() - 1, 0.0);
    for (int i = 0; i < na; ++i) {
        for (int j = 0; j < nb; ++j)
            out[i + j] += a[i] * b[j];
    }
    return out;
}

}  // namespace

ChannelFilter DesignChannelFilter(double timeScale, double rho, double lengthFactor) {
    if (!IsPositiveFinite(timeScale) || !IsPositiveFinite(rho) || !IsPositiveFinite(lengthFactor))
        throw std::invalid_argument("pitch filter: bad time scale");
    if (kGaussianExtent * timeScale > kLongestFilter)
        throw std::length_error("pitch filter: too long");
    ChannelFilter filter;
    filter.timeScale = timeScale;
    const int u = static_cast<int>(kGaussianExtent * timeScale);
    const double whole = std::trunc(timeScale);
    const int halfTriangle = static_cast<int>(whole == timeScale ? whole - 1 : whole);
    filter.gaussianLength = std::max(2 * u - 1, 0);
    filter.triangleLength = 2 * halfTriangle;
    if (filter.gaussianLength == 0 || filter.triangleLength == 0) return filter;

    const std::vector<double> envelope =
        Convolve(Gaussian(filter.gaussianLength, u - 1, timeScale, std::sqrt(rho)),
                 Triangle(halfTriangle, timeScale));
    filter.envelopeLength = static_cast<int>(envelope.size());

    const int last = filter.envelopeLength - 1;
    int first = 0;
    while (first < last && envelope[first] < kEnvelopeFloor)
        ++first;
    int end = last;
    while (end > first && envelope[end] < kEnvelopeFloor)
        --end;
    if (envelope[first] < kEnvelopeFloor) return filter;

    // The carrier sits at the channel frequency, lengthFactor periods per t samples, with
    // phase 0 at the middle tap.
    const int J = end - first + 1;
    filter.taps.resize(static_cast<std::size_t>(J));
    for (int m = 0; m < J; ++m) {
        const double phi = 2 * kPi * lengthFactor * (m - J / 2) / timeScale;
        filter.taps[m] = envelope[first + m] * std::complex<double>(std::cos(phi), std::sin(phi));
    }
    return filter;
}

std::vector<double> SmoothingGaussian(double timeScale) {
    if (!IsPositiveFinite(timeScale)) throw std::invalid_argument("pitch smoothing: bad scale");
    if (kSmoothingExtent * timeScale > kLongestFilter)
        throw std::length_error("pitch smoothing: too long");
    const int o = static_cast<int>(kSmoothingExtent * timeScale);
    if (o < 1) return {};
    std::vector<double> g = Gaussian(2 * o - 1, o - 1, timeScale, 1.0);
    double sum = 0;
    for (double v : g)
        sum += v;
    for (double& v : g)
        v /= sum;
    return g;
}

int PitchDecimationHop(double sampleRate, double minFreq, int channels, int channelsPerOctave) {
    if (!IsPositiveFinite(sampleRate) || !IsPositiveFinite(minFreq) || channels < 1 ||
        channelsPerOctave < 1)
        throw std::invalid_argument("pitch decimation: bad parameters");
    const double top =
        minFreq * std::pow(2.0, static_cast<double>(channels - 1) / channelsPerOctave);
    const double hop = std::trunc(sampleRate / (top * kSamplesPerTopPeriod));
    return hop < 1 ? 1 : (hop > INT_MAX ? INT_MAX : static_cast<int>(hop));
}

PitchFilterBank DesignPitchFilterBank(double sampleRate, double minFreq, int channels,
                                      int channelsPerOctave, double lengthFactor) {
    if (!IsPositiveFinite(sampleRate) || !IsPositiveFinite(minFreq) ||
        !IsPositiveFinite(lengthFactor) || channels < 1 || channelsPerOctave < 1)
        throw std::invalid_argument("pitch filter bank: bad parameters");
    PitchFilterBank bank;
    bank.minFreq = minFreq;
    bank.channelsPerOctave = channelsPerOctave;
    bank.requestedChannels = channels;

    bank.hop = PitchDecimationHop(sampleRate, minFreq, channels, channelsPerOctave);
    bank.rate = sampleRate / bank.hop;

    const double step = std::pow(2.0, 1.0 / channelsPerOctave);
    double rho = 1.0;
    for (int k = 0; k < channels; ++k) {
        const double timeScale = lengthFactor * bank.rate / minFreq / rho;
        ChannelFilter filter = DesignChannelFilter(timeScale, rho, lengthFactor);
        if (filter.taps.empty()) break;
        bank.centre.push_back(minFreq * std::pow(2.0, static_cast<double>(k) / channelsPerOctave));
        bank.filters.push_back(std::move(filter));
        bank.smoothing.push_back(SmoothingGaussian(timeScale));
        rho *= step;
    }
    return bank;
}

}  // namespace tonalyx
