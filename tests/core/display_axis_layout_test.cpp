#include "display/AxisLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tonalyx {
namespace {

// A text face six pixels wide per character and 12 high.
int SixPerCharacter(const std::string& text) {
    return 6 * static_cast<int>(text.size());
}
constexpr int kTextHeight = 12;

AxisScale MakeAxis(AxisKind kind, int length, double from, double to, int labelSpacing,
                   int visibleFrom = 0, int visibleTo = 0) {
    AxisScale axis;
    SetAxis(axis, kind, length, from, to, 5, labelSpacing, visibleFrom, visibleTo);
    return axis;
}

std::vector<std::string> Texts(const AxisLayout& layout) {
    std::vector<std::string> texts;
    for (const AxisTickText& label : layout.labels)
        texts.push_back(label.text);
    return texts;
}

TEST(AxisLayout, VerticalAmplitudeAxis) {
    const AxisScale axis = MakeAxis(AxisKind::Linear, 128, -100.0, 100.0, 4);
    const AxisLayout layout = LayOutVerticalAxis(axis, 40, 128, SixPerCharacter, kTextHeight);
    ASSERT_EQ(layout.ticks.size(), 20u);
    // Drawn from the top tick (90) down to the bottom one (-100).
    EXPECT_EQ(layout.ticks.front(), (AxisTickLine{37, 6, 40, 6}));     // 90 at pixel 121.6
    EXPECT_EQ(layout.ticks.back(), (AxisTickLine{35, 127, 40, 127}));  // long, on the bottom row
    EXPECT_EQ(layout.ticks[9], (AxisTickLine{35, 63, 40, 63}));        // 0 at pixel 64
    EXPECT_EQ(layout.ticks[8], (AxisTickLine{37, 57, 40, 57}));        // 10 at pixel 70.4
    // -100 sits on the bottom row and stays unlabelled.
    EXPECT_EQ(Texts(layout), (std::vector<std::string>{"50", "0", "-50"}));
    EXPECT_EQ(layout.labels[1], (AxisTickText{"0", 40 - 5 - 6, 63 - 6}));
    EXPECT_EQ(layout.labels[2], (AxisTickText{"-50", 40 - 5 - 18, 127 - 32 - 6}));
}

TEST(AxisLayout, VerticalLabelsKeepThreePixelsFromEitherEnd) {
    const auto layOut = [](double from) {
        // One unit per pixel, step 5, a label every 20 units.
        const AxisScale axis = MakeAxis(AxisKind::Linear, 100, from, from + 100.0, 4);
        return LayOutVerticalAxis(axis, 30, 100, SixPerCharacter, kTextHeight);
    };
    // 0 at pixel 2 (2 above the bottom row): no label, but a long tick; at pixel 3: labelled.
    const AxisLayout low = layOut(-2.0);
    EXPECT_EQ(Texts(low), (std::vector<std::string>{"80", "60", "40", "20"}));
    EXPECT_EQ(low.ticks.back(), (AxisTickLine{25, 97, 30, 97}));
    EXPECT_EQ(Texts(layOut(-3.0)), (std::vector<std::string>{"80", "60", "40", "20", "0"}));
    // 80 at pixel 97 (2 below the top row 99): no label, but a long tick; at pixel 96: labelled.
    const AxisLayout high = layOut(-17.0);
    EXPECT_EQ(Texts(high), (std::vector<std::string>{"60", "40", "20", "0"}));
    EXPECT_EQ(high.ticks.front(), (AxisTickLine{25, 2, 30, 2}));
    EXPECT_EQ(Texts(layOut(-16.0)), (std::vector<std::string>{"80", "60", "40", "20", "0"}));
}

TEST(AxisLayout, HorizontalTimeAxis) {
    const AxisScale axis = MakeAxis(AxisKind::Linear, 512, 0.0, 2.0, 10);
    const AxisLayout layout = LayOutHorizontalAxis(axis, 40, SixPerCharacter);
    ASSERT_EQ(layout.ticks.size(), 100u);
    ASSERT_EQ(layout.labels.size(), 10u);
    EXPECT_EQ(layout.ticks.back(), (AxisTickLine{40, 0, 40, 5}));  // 0.00 s, labelled
    EXPECT_EQ(layout.ticks[98], (AxisTickLine{45, 0, 45, 3}));     // 0.02 s at 5.12 px
    EXPECT_EQ(layout.labels.back(), (AxisTickText{"0.00", 40 - 12, 4}));
    EXPECT_EQ(layout.labels[8], (AxisTickText{"0.20", 40 + 51 - 12, 4}));
}

TEST(AxisLayout, HorizontalScrolledAxisCountsFromTheVisibleStart) {
    const AxisScale axis = MakeAxis(AxisKind::Linear, 512, 0.0, 2.0, 10, 100, 200);
    const AxisLayout layout = LayOutHorizontalAxis(axis, 40, SixPerCharacter);
    ASSERT_EQ(layout.ticks.size(), 20u);
    EXPECT_EQ(layout.ticks.back(), (AxisTickLine{42, 0, 42, 5}));  // 0.40 s at 102.4 px
    EXPECT_EQ(Texts(layout), (std::vector<std::string>{"0.60", "0.40"}));
}

TEST(AxisLayout, AxisNotSetUpDrawsNothing) {
    const AxisScale axis;
    EXPECT_TRUE(LayOutHorizontalAxis(axis, 40, SixPerCharacter).ticks.empty());
    const AxisLayout vertical = LayOutVerticalAxis(axis, 40, 128, SixPerCharacter, kTextHeight);
    EXPECT_TRUE(vertical.ticks.empty());
    EXPECT_TRUE(vertical.labels.empty());
}

}  // namespace
}  // namespace tonalyx
