#include <cmath>

#include <gtest/gtest.h>

#include "annotations/AnnotationEdits.h"
#include "display/TierStripLayout.h"
#include "interaction/TierStripInput.h"

namespace tonalyx {
namespace {

// words: [0, 0.5) "" [0.5, 1.1) "hi" [1.1, 2) ""; bell: a point at 0.9 "ding".
TextGrid SampleGrid() {
    TextGrid grid{0, 2, {}};
    grid.tiers.push_back(
        {"words", TierKind::Interval, 0, 2, {{0, 0.5, ""}, {0.5, 1.1, "hi"}, {1.1, 2, ""}}, {}});
    grid.tiers.push_back({"bell", TierKind::Point, 0, 2, {}, {{0.9, "ding"}}});
    return grid;
}

void ExpectValid(const AnnotationEditor& editor) {
    for (const AnnotationTier& tier : editor.Grid().tiers)
        EXPECT_FALSE(CheckTier(tier)) << tier.name << ": " << CheckTier(tier)->reason;
}

TEST(AnnotationEdits, BoundariesSplitMoveAndJoinKeepingTheTierValid) {
    AnnotationEditor editor(SampleGrid());
    EXPECT_FALSE(editor.IsModified());
    EXPECT_EQ(editor.AddBoundary(0, 0.8), 2u);
    const auto& words = editor.Tier(0).intervals;
    ASSERT_EQ(words.size(), 4u);
    EXPECT_EQ(words[1].label, "hi");  // the left part keeps the label
    EXPECT_EQ(words[2].label, "");
    EXPECT_EQ(words[2].start, 0.8);
    // On a boundary, on the tier's edges or outside: refused, nothing changes.
    for (double time : {0.5, 0.0, 2.0, -1.0, 3.0, std::nan("")})
        EXPECT_FALSE(editor.AddBoundary(0, time)) << time;
    EXPECT_EQ(editor.Tier(0).intervals.size(), 4u);

    // A move must stay strictly between the neighbouring boundaries.
    EXPECT_TRUE(editor.MoveBoundary(0, 2, 0.7));
    EXPECT_FALSE(editor.MoveBoundary(0, 2, 0.5));
    EXPECT_FALSE(editor.MoveBoundary(0, 2, 1.1));
    EXPECT_FALSE(editor.MoveBoundary(0, 0, 0.1));  // the tier's start is no boundary
    EXPECT_FALSE(editor.MoveBoundary(0, 4, 1.5));
    EXPECT_EQ(words[1].end, 0.7);
    EXPECT_EQ(words[2].start, 0.7);

    EXPECT_TRUE(editor.SetLabel(0, 2, "there"));
    EXPECT_TRUE(editor.RemoveBoundary(0, 2));
    EXPECT_EQ(editor.Tier(0).intervals[1].label, "hi there");
    EXPECT_EQ(editor.Tier(0).intervals[1].end, 1.1);
    EXPECT_FALSE(editor.RemoveBoundary(0, 0));
    EXPECT_FALSE(editor.RemoveBoundary(0, 3));
    ExpectValid(editor);
    EXPECT_TRUE(editor.IsModified());
}

TEST(AnnotationEdits, PointsMayLieOnTheEdgesButNeverTwiceAtOneTime) {
    AnnotationEditor editor(SampleGrid());
    EXPECT_EQ(editor.AddBoundary(1, 0.0), 0u);
    EXPECT_EQ(editor.AddBoundary(1, 2.0), 2u);
    EXPECT_FALSE(editor.AddBoundary(1, 0.9));
    EXPECT_FALSE(editor.MoveBoundary(1, 1, 0.0));  // onto its neighbour
    EXPECT_TRUE(editor.MoveBoundary(1, 1, 1.5));
    EXPECT_TRUE(editor.RemoveBoundary(1, 0));
    ASSERT_EQ(editor.Tier(1).points.size(), 2u);
    EXPECT_EQ(editor.Tier(1).points[0].label, "ding");
    EXPECT_EQ(editor.Tier(1).points[0].time, 1.5);
    ExpectValid(editor);
}

TEST(AnnotationEdits, EveryEditUndoesAndRedoesToTheSameGrid) {
    AnnotationEditor editor(SampleGrid());
    std::vector<TextGrid> states{editor.Grid()};
    const auto keep = [&] { states.push_back(editor.Grid()); };
    editor.AddBoundary(0, 1.5), keep();
    editor.MoveBoundary(0, 1, 0.4), keep();
    editor.SetLabel(0, 0, "a"), keep();
    editor.RemoveBoundary(0, 2), keep();
    editor.AddTier(1, "phones", TierKind::Interval, 99), keep();
    editor.RenameTier(0, "W"), keep();
    editor.RemoveTier(2), keep();
    ASSERT_EQ(editor.TierCount(), 2u);
    EXPECT_EQ(editor.Tier(1).name, "phones");
    EXPECT_EQ(editor.Tier(1).intervals.size(), 1u);
    const auto same = [](const TextGrid& a, const TextGrid& b) {
        if (a.tiers.size() != b.tiers.size()) return false;
        for (std::size_t t = 0; t < a.tiers.size(); ++t) {
            const AnnotationTier &x = a.tiers[t], &y = b.tiers[t];
            if (x.name != y.name || x.intervals.size() != y.intervals.size() ||
                x.points.size() != y.points.size())
                return false;
            for (std::size_t i = 0; i < x.intervals.size(); ++i) {
                if (x.intervals[i].start != y.intervals[i].start ||
                    x.intervals[i].end != y.intervals[i].end ||
                    x.intervals[i].label != y.intervals[i].label)
                    return false;
            }
        }
        return true;
    };
    for (std::size_t i = states.size() - 1; i > 0; --i) {
        EXPECT_TRUE(editor.Undo());
        EXPECT_TRUE(same(editor.Grid(), states[i - 1])) << "undo to state " << i - 1;
    }
    EXPECT_FALSE(editor.Undo());
    EXPECT_FALSE(editor.IsModified());
    for (std::size_t i = 1; i < states.size(); ++i) {
        EXPECT_TRUE(editor.Redo());
        EXPECT_TRUE(same(editor.Grid(), states[i])) << "redo to state " << i;
    }
    EXPECT_FALSE(editor.Redo());
    // A new edit after undoing drops what could be redone.
    editor.Undo();
    editor.RenameTier(0, "other");
    EXPECT_FALSE(editor.CanRedo());
}

TEST(AnnotationEdits, TypingAndDraggingMakeOneStepUntilSealed) {
    AnnotationEditor editor(SampleGrid());
    for (const char* text : {"h", "he", "hey"})
        editor.SetLabel(0, 0, text);
    for (double time : {0.45, 0.4, 0.35})
        editor.MoveBoundary(0, 1, time);
    editor.Seal();
    editor.MoveBoundary(0, 1, 0.3);
    editor.Undo();
    EXPECT_EQ(editor.Tier(0).intervals[1].start, 0.35);
    editor.Undo();
    EXPECT_EQ(editor.Tier(0).intervals[1].start, 0.5);
    EXPECT_EQ(editor.Tier(0).intervals[0].label, "hey");
    editor.Undo();
    EXPECT_EQ(editor.Tier(0).intervals[0].label, "");
    EXPECT_FALSE(editor.CanUndo());
}

TEST(AnnotationEdits, ModifiedFollowsTheSavedStateThroughUndoAndRedo) {
    AnnotationEditor editor(SampleGrid());
    editor.SetLabel(0, 0, "a");
    editor.MarkSaved();
    EXPECT_FALSE(editor.IsModified());
    // Typing on after a save is a new step, so undoing it comes back to the saved state.
    editor.SetLabel(0, 0, "ab");
    EXPECT_TRUE(editor.IsModified());
    editor.Undo();
    EXPECT_FALSE(editor.IsModified());
    editor.Undo();
    EXPECT_TRUE(editor.IsModified());
    editor.Redo();
    EXPECT_FALSE(editor.IsModified());
    // Undo past the save, then a new edit: the saved state can never come back.
    editor.Undo();
    editor.RenameTier(1, "x");
    editor.Undo();
    EXPECT_TRUE(editor.IsModified());
}

TEST(AnnotationEdits, NewTiersTakeTheSoundsSpanWhenTheGridHasNone) {
    AnnotationEditor editor;
    EXPECT_FALSE(editor.AddTier(0, "a", TierKind::Interval, 0));
    EXPECT_FALSE(editor.AddTier(1, "a", TierKind::Interval, 2));
    EXPECT_TRUE(editor.AddTier(0, "a", TierKind::Interval, 2.5));
    EXPECT_TRUE(editor.AddTier(1, "b", TierKind::Point, 7));  // the grid keeps its span
    EXPECT_EQ(editor.Grid().end, 2.5);
    EXPECT_EQ(editor.Tier(1).end, 2.5);
    ExpectValid(editor);
}

TEST(TierStripLayout, TimesMapToTheWaveViewsColumns) {
    ViewGeometry geometry;
    geometry.sampleCount = 20000;
    geometry.viewWidth = 500;
    geometry.fitToWindow = false;
    geometry.samplesPerPixel = 8;
    geometry.Update(GeometryChange::Refresh, 0, 0);
    geometry.scroll.position = 100;
    const StripTimeMap map = TimeMapOf(geometry, 10000);
    // Sample 1000 (0.1 s) is in column 125, the 25th of the view, as the wave draws it.
    EXPECT_EQ(map.ColumnOfTime(0.1), geometry.SampleToPixel(1000));
    EXPECT_EQ(map.ColumnOfTime(0.1), 25);
    EXPECT_DOUBLE_EQ(map.TimeOfX(25), 0.1);
    EXPECT_EQ(TierRowAt(-1, 2), std::nullopt);
    EXPECT_EQ(TierRowAt(kTierRowHeight, 2), 1u);
    EXPECT_EQ(TierRowAt(2 * kTierRowHeight, 2), std::nullopt);
    const TextGrid grid = SampleGrid();
    // A boundary moved to 0.1 s is taken within the grip of its column, and not beyond.
    AnnotationTier tier = grid.tiers[0];
    tier.intervals[0].end = tier.intervals[1].start = 0.1;
    EXPECT_EQ(BoundaryNear(tier, map, 25 + kBoundaryGrip), 1u);
    EXPECT_EQ(BoundaryNear(tier, map, 25 + kBoundaryGrip + 1), std::nullopt);
    const SampleSpan span = SamplesOfTimes(-1, 5, 10000, 20000);
    EXPECT_EQ(span.start, 0);
    EXPECT_EQ(span.end, 20000);
}

TEST(TierStripLayout, TheCompositeMakesRoomForTheStripAboveThePowerSpectrum) {
    ImageCopySettings flags;
    CompositeSizes sizes{32, 16, 500, 128, 256, 300, 200};
    flags.copyPowerSpectrum = false;
    CompositeLayout layout = LayOutComposite(flags, sizes);
    auto strip = PlaceStripInComposite(layout, flags, 44);
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->top, layout.height + kCompositeBlockGap);
    EXPECT_EQ(strip->imageHeight, layout.height + kCompositeBlockGap + 44);
    EXPECT_EQ(strip->shiftBy, 0);

    flags.copyPowerSpectrum = true;
    layout = LayOutComposite(flags, sizes);
    strip = PlaceStripInComposite(layout, flags, 44);
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->top, layout.spectrumLevelAxis.y);  // where the power spectrum began
    EXPECT_EQ(strip->shiftFrom, strip->top);
    EXPECT_EQ(strip->shiftBy, 44 + kCompositeBlockGap);
    EXPECT_EQ(strip->imageHeight, layout.height + strip->shiftBy);

    // Without the wave and the spectrogram there is no time axis to share; no rows, no strip.
    EXPECT_FALSE(PlaceStripInComposite(layout, flags, 0));
    flags.copyWave = flags.copySpectrogram = false;
    EXPECT_FALSE(PlaceStripInComposite(LayOutComposite(flags, sizes), flags, 44));
}

TEST(TierStripInput, ClicksSelectIntervalsTabMovesAndKeysEdit) {
    AnnotationEditor editor(SampleGrid());
    TierStripInput input(editor);
    const StripTimeMap map{10, 0, 1000};  // one column is 0.01 s
    // A click at 0.8 s in the first row selects interval 2 (0.5 .. 1.1 s) as the selection.
    StripOutcome outcome = input.Press(80, 5, map);
    ASSERT_TRUE(outcome.selection);
    EXPECT_EQ(*outcome.selection, (std::pair{0.5, 1.1}));
    EXPECT_EQ(input.SelectedItem(), 1u);
    input.Release();
    EXPECT_FALSE(input.Press(80, TierStripHeight(2) + 1, map).selection);  // below the rows

    EXPECT_EQ(*input.Key(StripKey::Tab).selection, (std::pair{1.1, 2.0}));
    EXPECT_EQ(*input.Key(StripKey::Tab).selection, (std::pair{1.1, 2.0}));  // stays on the last
    input.Key(StripKey::BackTab);
    input.Key(StripKey::BackTab);
    EXPECT_EQ(input.SelectedItem(), 0u);

    // Typing, a UTF-8 letter included, and Backspace removing it whole.
    input.Type("a");
    input.Type("\xC3\xA9");
    EXPECT_EQ(editor.Tier(0).intervals[0].label, "a\xC3\xA9");
    input.Key(StripKey::Backspace);
    EXPECT_EQ(editor.Tier(0).intervals[0].label, "a");

    // Enter at the cursor (0 s after BackTab: the tier's start) is refused; a click at 0.3 s
    // and Enter splits the interval there.
    EXPECT_FALSE(input.Key(StripKey::Enter).edited);
    input.Press(30, 5, map);
    input.Release();
    EXPECT_TRUE(input.Key(StripKey::Enter).edited);
    EXPECT_EQ(editor.Tier(0).intervals[1].start, 0.3);
    // The new boundary is the selected one: Alt+Backspace removes it.
    EXPECT_TRUE(input.Key(StripKey::RemoveBoundary).edited);
    EXPECT_EQ(editor.Tier(0).intervals.size(), 3u);
}

TEST(TierStripInput, DraggingABoundaryMovesItAsOneUndoStep) {
    AnnotationEditor editor(SampleGrid());
    TierStripInput input(editor);
    const StripTimeMap map{10, 0, 1000};
    input.Press(51, 3, map);  // on the boundary at 0.5 s
    EXPECT_TRUE(input.Dragging());
    EXPECT_TRUE(input.Move(70, map).edited);
    EXPECT_FALSE(input.Move(120, map).edited);  // past the next boundary (1.1 s): refused
    EXPECT_TRUE(input.Move(90, map).edited);
    input.Release();
    EXPECT_DOUBLE_EQ(editor.Tier(0).intervals[1].start, 0.9);
    editor.Undo();
    EXPECT_EQ(editor.Tier(0).intervals[1].start, 0.5);
    // A double click on the point tier adds a point; undone, the selection is dropped.
    EXPECT_TRUE(input.DoubleClick(150, kTierRowHeight + 3, map).edited);
    EXPECT_EQ(editor.Tier(1).points.size(), 2u);
    editor.Undo();
    input.Revalidate();
    EXPECT_EQ(input.SelectedItem(), std::nullopt);
}

}  // namespace
}  // namespace tonalyx
