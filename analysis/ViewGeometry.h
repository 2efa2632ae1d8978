#pragma once

#include <optional>

namespace tonalyx {

// One pixel column of the wave view is one column of the spectrogram. This is the arithmetic
// that maps sample indexes to those columns: the time zoom, fitting the whole sound into the
// view, the horizontal scroll bar and the wave amplitude magnification. The main window keeps
// one instance and mirrors it onto its widgets.

enum class GeometryChange : int {
    NarrowTime = 0,
    ShrinkAmplitude = 1,
    WidenTime = 2,
    EnlargeAmplitude = 3,
    Refresh = -1,
    Resize = -2,
};

constexpr int kMaxSamplesPerPixel = 65536;
constexpr int kMaxAmplitudeScale = 256;
constexpr int kScrollSmallChange = 4;

// The scroll bar as the geometry wants it. maximum is the highest position the thumb may take
// (C - W - 1, one less than a platform scroll bar with page size W would allow).
struct ScrollBarState {
    bool enabled = false;
    int maximum = 0;
    int position = 0;
    int pageSize = 0;
    int largeChange = 0;
};

struct ColumnSpan {
    int first = 0;
    int count = 0;
};

struct SampleSpan {
    int start = 0;
    int end = 0;  // excluded
};

// What UpdateGeometry changed that the window must show.
struct GeometryUpdate {
    bool fitChanged = false;              // the Fit To Window check mark must follow
    std::optional<int> zoomReadout;       // new text of status panel 0
    std::optional<int> amplitudeReadout;  // new text of status panel 1
};

struct ViewGeometry {
    int sampleCount = 0;  // N
    int viewWidth = 0;    // W, PaintBoxWave's width in pixels
    bool fitToWindow = true;
    int samplesPerPixel = 1;  // s, a power of two in 1 .. 65536
    int amplitudeScale = 1;   // a power of two in 1 .. 256
    ScrollBarState scroll;

    // C: the pixel columns the whole sound needs at zoom s.
    int SoundColumns() const;
    // The sound is scrolled (the scroll bar is meaningful) when not fitting and W < C.
    bool IsScrolled() const;
    // P when scrolled, else 0.
    int ScrollPosition() const;
    // Samples per column as a real number: N / W when fitting, s otherwise.
    double SamplesPerColumn() const;

    ColumnSpan VisibleColumns() const;
    SampleSpan VisibleSampleRange(int column) const;
    SampleSpan WindowSampleRange() const;
    int SampleToPixel(int sample) const;

    // Status panel 0: s, or N / W when fitting.
    int ZoomReadout() const;

    // Applies one step; the selection (in samples) centres the view when zooming.
    GeometryUpdate Update(GeometryChange change, int selectionStart, int selectionEnd);

    // The highest scroll position the user may reach: maximum - page size of the platform's
    // scroll bar, that is C - W - 1.
    int ClampScrollPosition(int position) const;

    // Back to the state after a view reset: s = 1, a = 1, fitting, scroll bar disabled.
    void Reset();
};

// The zoom chosen when a file is opened: the smallest power of two strictly greater than
// sampleCount / viewWidth, at least 2. A view width of 0 counts as 1.
int InitialSamplesPerPixel(int sampleCount, int viewWidth);

}  // namespace tonalyx
