#include <string>

#include <gtest/gtest.h>

#include "requests/CommandView.h"

namespace tonalyx::cli {
using namespace tonalyx::requests;
namespace {

ViewOptions View(int columns) {
    ViewOptions options;
    options.columns = columns;
    return options;
}

// 100 000 samples in a 500-column view: the window opens it fitted at 200 samples per column
// with 256 kept as the zoom for when fitting is switched off.
TEST(CliView, OpeningFitsAndSwitchingFittingOffKeepsTheOpeningZoom) {
    const ViewGeometry opened = OpenedView(100000, 500);
    EXPECT_TRUE(opened.fitToWindow);
    EXPECT_EQ(opened.samplesPerPixel, 256);
    EXPECT_EQ(opened.ZoomReadout(), 200);

    std::string note;
    ViewOptions fit = View(500);
    fit.fit = true;
    const ViewGeometry fitted = CommandLineView(100000, fit, note);
    EXPECT_TRUE(fitted.fitToWindow);
    EXPECT_EQ(fitted.VisibleColumns().count, 500);
    EXPECT_EQ(fitted.VisibleSampleRange(499).end, 100000);

    // At 256 samples per column the whole sound needs 391 columns: no scrolling.
    const ViewGeometry unfitted = CommandLineView(100000, View(500), note);
    EXPECT_FALSE(unfitted.fitToWindow);
    EXPECT_EQ(unfitted.VisibleColumns().first, 0);
    EXPECT_EQ(unfitted.VisibleColumns().count, 391);
    EXPECT_TRUE(note.empty());
}

TEST(CliView, AZoomCentresOnTheMiddleAndTheFirstColumnScrolls) {
    std::string note;
    ViewOptions zoomed = View(500);
    zoomed.samplesPerColumn = 128;
    // 782 columns; centred on sample 50 000: 50 000 / 128 - 250 = 140.
    ViewGeometry view = CommandLineView(100000, zoomed, note);
    EXPECT_EQ(view.VisibleColumns().first, 140);
    EXPECT_EQ(view.VisibleColumns().count, 500);
    EXPECT_EQ(view.VisibleSampleRange(140).start, 140 * 128);

    zoomed.firstColumn = 10;
    view = CommandLineView(100000, zoomed, note);
    EXPECT_EQ(view.VisibleColumns().first, 10);
    EXPECT_TRUE(note.empty());

    // The scroll bar stops at C - W - 1 = 281, and says so.
    zoomed.firstColumn = 1000;
    view = CommandLineView(100000, zoomed, note);
    EXPECT_EQ(view.VisibleColumns().first, 281);
    EXPECT_EQ(note, "first column 1000 lies beyond the scroll range; using 281");

    // Without scrolling there is only column 0.
    ViewOptions whole = View(500);
    whole.firstColumn = 3;
    note.clear();
    view = CommandLineView(100000, whole, note);
    EXPECT_EQ(view.VisibleColumns().first, 0);
    EXPECT_FALSE(note.empty());
}

TEST(CliView, AShortSoundIsNeverFitted) {
    std::string note;
    ViewOptions fit = View(512);
    fit.fit = true;
    // 300 samples in 512 columns: fitting switches itself off at the opening zoom of 2.
    const ViewGeometry view = CommandLineView(300, fit, note);
    EXPECT_FALSE(view.fitToWindow);
    EXPECT_EQ(view.samplesPerPixel, 2);
    EXPECT_EQ(view.VisibleColumns().count, 150);
    EXPECT_EQ(FileNamePart("/a/b/c.wav"), "c.wav");
}

}  // namespace
}  // namespace tonalyx::cli
