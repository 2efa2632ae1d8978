#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "analysis/ScaleMap.h"
#include "analysis/ViewGeometry.h"
#include "display/AxisScale.h"

namespace tonalyx {

// Where the frames of a measurement (formants, intensity) fall on the spectrogram image, worked
// out without a canvas. The image has one column per pixel column of the view it was computed
// for; a frame belongs to the column whose samples hold its time.

// The image's columns on the sound: the view they were computed for, their count, the rate.
struct ImageColumns {
    const ViewGeometry* geometry = nullptr;
    int columns = 0;
    double sampleRate = 0;
};

// The column whose samples hold the time (seconds from the start of the sound); -1 outside
// the image.
int ColumnOfTime(const ImageColumns& image, double seconds);
// The middle of a column's samples, in seconds.
double ColumnCentreTime(const ImageColumns& image, int column);

// The frame drawn in one column: of the frames whose times fall in it, the one nearest the
// column's middle, so that a zoomed-out view shows one value per column.
struct ColumnFrame {
    int column = 0;
    std::int64_t frame = 0;
};
// times must be increasing; the result runs left to right.
std::vector<ColumnFrame> FramesByColumn(const ImageColumns& image, std::span<const double> times);

// The frame whose time is nearest to seconds; -1 when there are no frames.
std::int64_t NearestFrame(std::span<const double> times, double seconds);

// A formant dot: the pixel of its centre (y counted from the top line of the image) and the
// formant's index, 0 for F1.
struct FormantDot {
    int x = 0;
    int y = 0;
    int formant = 0;
};

// The dots of the frames drawn, count formants each (frequencies row by row, NaN where a frame
// has fewer), on the row that shows each frequency through rowToHz (the image's frequency
// rows, as the pitch mark finds them); frequencies outside the image's rows get no dot.
std::vector<FormantDot> FormantDots(std::span<const ColumnFrame> drawn,
                                    std::span<const double> frequencies, int count,
                                    const ScaleMap& rowToHz, int imageHeight);

// The dB range of the intensity scale: from the quietest to the loudest frame drawn (frames
// of digital silence left out), widened to whole 10 dB, reaching at least 20 dB and at most 60 dB
// below the top (fades and pauses would squeeze the voice into a few rows); 40 to 80 dB when no
// frame has sound.
struct DecibelRange {
    double lo = 40;
    double hi = 80;
};
DecibelRange IntensityRange(std::span<const ColumnFrame> drawn, std::span<const double> decibels);

// The intensity contour as runs of points (x at the column's middle, y from the top line of an
// image of imageHeight rows, the range's bottom on the lowest row's lower edge); a frame of
// digital silence ends a run. Values beyond the range are drawn at its edge.
struct ContourPoint {
    double x = 0;
    double y = 0;
};
std::vector<std::vector<ContourPoint>> IntensityContour(std::span<const ColumnFrame> drawn,
                                                        std::span<const double> decibels,
                                                        DecibelRange range, int imageHeight);

// The dB scale of the contour: a linear axis of imageHeight pixels from the range's bottom to
// its top, with the other axes' tick spacing.
void SetIntensityAxis(AxisScale& axis, DecibelRange range, int imageHeight);

}  // namespace tonalyx
