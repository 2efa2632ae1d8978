#pragma once

#include <optional>
#include <span>
#include <string>

namespace tonalyx {

// Status-bar read-outs. Each number is printed with printf and cut to its first five
// characters, so the texts keep one width whatever the number's size.

// Seconds: 1.23456 reads "1.235sec", 12.3456 reads "12.34sec".
std::string TimeReadout(double seconds);

// A frequency in kHz with its period in msec, "0.500kHz(2.000msec)", or with lag set a lag in
// msec with its frequency in kHz, "2.000msec(0.500kHz)". A value of 0 has no reciprocal and
// reads "===.=" there.
std::string FrequencyReadout(double value, bool lag);

// A level: " 3.50dB" (a leading blank for values at or above 0), "-45.6dB"; in percent ("%")
// for the auto-correlation and cepstrum kinds.
std::string LevelReadout(double value, int kind);

// The overlays' read-out at the cross-hair's time, short enough for the status bar of the
// designed window: F1, F2 and F3 in whole Hz, "512/1480/2510Hz" (a formant the frame lacks,
// NaN, as "-"), and the intensity in dB with one decimal, "68.2dB" ("-dB" for digital
// silence); each part only when given, a blank between them.
std::string OverlayReadout(std::optional<std::span<const double>> formants,
                           std::optional<double> decibels);

}  // namespace tonalyx
