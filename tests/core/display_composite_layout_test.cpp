#include "display/CompositeLayout.h"

#include <gtest/gtest.h>

#include <array>

namespace tonalyx {
namespace {

// The main window's design sizes: 32-pixel value axes, 16-pixel time axes, a 512 by 128 wave
// view, a 256-row spectrogram and a 256 by 128 power-spectrum plot.
CompositeSizes DesignSizes() {
    CompositeSizes sizes;
    sizes.yAxisW = 32;
    sizes.xAxisH = 16;
    sizes.waveW = 512;
    sizes.waveH = 128;
    sizes.spgmH = 256;
    sizes.freqW = 256;
    sizes.freqH = 128;
    return sizes;
}

ImageCopySettings FlagsFromBits(unsigned bits) {
    ImageCopySettings flags;
    std::array<bool*, 9> fields = {
        &flags.copyWave,          &flags.copyWaveX,          &flags.copyWaveY,
        &flags.copySpectrogram,   &flags.copySpectrogramX,   &flags.copySpectrogramY,
        &flags.copyPowerSpectrum, &flags.copyPowerSpectrumX, &flags.copyPowerSpectrumY};
    for (size_t i = 0; i < fields.size(); ++i)
        *fields[i] = (bits >> i) & 1u;
    return flags;
}

ImageCopySettings AllFlags() {
    return FlagsFromBits(0x1FF);
}

TEST(CompositeFlags, EveryCombinationKeepsOnlyShownViewsAndTheirAxes) {
    for (unsigned bits = 0; bits < 512; ++bits) {
        for (const bool spectrogramShown : {false, true}) {
            for (const bool spectrumVisible : {false, true}) {
                const ImageCopySettings before = FlagsFromBits(bits);
                ImageCopySettings flags = before;
                const bool any = NormaliseCopyFlags(flags, spectrogramShown, spectrumVisible);
                const bool wave = before.copyWave;
                const bool spgm = before.copySpectrogram && spectrogramShown;
                const bool freq = before.copyPowerSpectrum && spectrumVisible;
                SCOPED_TRACE(::testing::Message() << "bits " << bits << " shown "
                                                  << spectrogramShown << spectrumVisible);
                ASSERT_EQ(any, wave || spgm || freq);
                if (!any) continue;
                EXPECT_EQ(flags.copyWave, wave);
                EXPECT_EQ(flags.copySpectrogram, spgm);
                EXPECT_EQ(flags.copyPowerSpectrum, freq);
                EXPECT_EQ(flags.copyWaveX, wave && before.copyWaveX);
                EXPECT_EQ(flags.copyWaveY, wave && before.copyWaveY);
                EXPECT_EQ(flags.copySpectrogramX, spgm && before.copySpectrogramX);
                EXPECT_EQ(flags.copySpectrogramY, spgm && before.copySpectrogramY);
                EXPECT_EQ(flags.copyPowerSpectrumX, freq && before.copyPowerSpectrumX);
                EXPECT_EQ(flags.copyPowerSpectrumY, freq && before.copyPowerSpectrumY);
                ImageCopySettings again = flags;
                EXPECT_TRUE(NormaliseCopyFlags(again, spectrogramShown, spectrumVisible));
                EXPECT_EQ(again, flags);
            }
        }
    }
}

TEST(CompositeFlags, HiddenSpectrogramAndClosedSpectrumLeaveTheWaveOrNothing) {
    ImageCopySettings flags = AllFlags();
    ASSERT_TRUE(NormaliseCopyFlags(flags, false, false));
    const CompositeLayout layout = LayOutComposite(flags, DesignSizes());
    EXPECT_EQ(layout.spgmBlockH, 0);
    EXPECT_EQ(layout.freqBlockH, 0);
    EXPECT_EQ(layout.width, 32 + 512);
    EXPECT_EQ(layout.height, 128 + 16);  // the last block has no gap after it

    flags = AllFlags();
    flags.copyWave = false;
    EXPECT_FALSE(NormaliseCopyFlags(flags, false, false));
}

TEST(CompositeLayout, AllThreeViewsWithAxesStackWithGaps) {
    ImageCopySettings flags = AllFlags();
    ASSERT_TRUE(NormaliseCopyFlags(flags, true, true));
    const CompositeLayout layout = LayOutComposite(flags, DesignSizes());
    EXPECT_EQ(layout.leftMargin, 32);
    EXPECT_EQ(layout.freqLeft, 32);
    EXPECT_EQ(layout.freqBlockW, 288);
    EXPECT_EQ(layout.waveBlockH, 16 + 128 + 4);
    EXPECT_EQ(layout.spgmBlockH, 16 + 256 + 4);
    EXPECT_EQ(layout.freqBlockH, 16 + 128 + 4);
    EXPECT_EQ(layout.width, 544);
    EXPECT_EQ(layout.height, 148 + 276 + 144);

    EXPECT_EQ(layout.waveTimeAxis, (CompositePoint{0, 128}));
    EXPECT_EQ(layout.waveAmplitudeAxis, (CompositePoint{0, 0}));
    EXPECT_EQ(layout.wave, (CompositePoint{32, 0}));
    EXPECT_EQ(layout.spgmTimeAxis, (CompositePoint{0, 148 + 256}));
    EXPECT_EQ(layout.spgmFrequencyAxis, (CompositePoint{0, 148}));
    EXPECT_EQ(layout.spgm, (CompositePoint{32, 148}));
    EXPECT_EQ(layout.spectrumFrequencyAxis, (CompositePoint{0, 424 + 128}));
    EXPECT_EQ(layout.spectrumLevelAxis, (CompositePoint{0, 424}));
    EXPECT_EQ(layout.spectrum, (CompositePoint{32, 424}));
    // The last block ends at the image's bottom edge.
    EXPECT_EQ(layout.spectrumFrequencyAxis.y + 16, layout.height);
}

TEST(CompositeLayout, WithoutAxesTheViewsStartAtTheLeftEdgeFourRowsApart) {
    ImageCopySettings flags = FlagsFromBits(0);
    flags.copyWave = flags.copySpectrogram = flags.copyPowerSpectrum = true;
    ASSERT_TRUE(NormaliseCopyFlags(flags, true, true));
    const CompositeLayout layout = LayOutComposite(flags, DesignSizes());
    EXPECT_EQ(layout.leftMargin, 0);
    EXPECT_EQ(layout.freqLeft, 0);
    EXPECT_EQ(layout.wave, (CompositePoint{0, 0}));
    EXPECT_EQ(layout.spgm, (CompositePoint{0, 128 + 4}));
    EXPECT_EQ(layout.spectrum, (CompositePoint{0, 128 + 4 + 256 + 4}));
    EXPECT_EQ(layout.width, 512);
    EXPECT_EQ(layout.height, 128 + 4 + 256 + 4 + 128);
}

TEST(CompositeLayout, OneAxisFlagOfEitherViewMovesBothViewsRight) {
    ImageCopySettings flags = FlagsFromBits(0);
    flags.copyWave = flags.copySpectrogram = flags.copySpectrogramX = true;
    ASSERT_TRUE(NormaliseCopyFlags(flags, true, false));
    const CompositeLayout layout = LayOutComposite(flags, DesignSizes());
    EXPECT_EQ(layout.wave.x, 32);
    EXPECT_EQ(layout.spgm.x, 32);
    EXPECT_EQ(layout.waveBlockH, 128 + 4);  // the wave has no time axis of its own
    EXPECT_EQ(layout.spgmTimeAxis, (CompositePoint{0, 132 + 256}));
    EXPECT_EQ(layout.height, 132 + 256 + 16);
}

TEST(CompositeLayout, PowerSpectrumAloneIsAsWideAsTheWiderOfWaveAndSpectrumBlocks) {
    ImageCopySettings flags = FlagsFromBits(0);
    flags.copyPowerSpectrum = flags.copyPowerSpectrumX = flags.copyPowerSpectrumY = true;
    ASSERT_TRUE(NormaliseCopyFlags(flags, true, true));
    CompositeSizes sizes = DesignSizes();
    CompositeLayout layout = LayOutComposite(flags, sizes);
    EXPECT_EQ(layout.width, 512);  // the wave view, wider than 32 + 256
    EXPECT_EQ(layout.height, 128 + 16);
    EXPECT_EQ(layout.spectrum, (CompositePoint{32, 0}));
    EXPECT_EQ(layout.spectrumLevelAxis, (CompositePoint{0, 0}));
    EXPECT_EQ(layout.spectrumFrequencyAxis, (CompositePoint{0, 128}));

    sizes.freqW = 1024;
    layout = LayOutComposite(flags, sizes);
    EXPECT_EQ(layout.width, 32 + 1024);
}

TEST(CompositeLayout, ShownSpectrogramLeftOutLeavesNoGap) {
    ImageCopySettings flags = AllFlags();
    flags.copySpectrogram = false;
    ASSERT_TRUE(NormaliseCopyFlags(flags, true, true));
    EXPECT_FALSE(flags.copySpectrogramX);
    EXPECT_FALSE(flags.copySpectrogramY);
    const CompositeLayout layout = LayOutComposite(flags, DesignSizes());
    EXPECT_EQ(layout.spgmBlockH, 0);
    EXPECT_EQ(layout.spectrum, (CompositePoint{32, 128 + 16 + 4}));
    EXPECT_EQ(layout.height, 148 + 128 + 16);
}

}  // namespace
}  // namespace tonalyx
