#include "display/CompositeLayout.h"

#include <algorithm>

namespace tonalyx {

bool NormaliseCopyFlags(ImageCopySettings& flags, bool spectrogramShown, bool spectrumVisible) {
    if (!spectrogramShown) flags.copySpectrogram = false;
    if (!spectrumVisible) flags.copyPowerSpectrum = false;
    if (!flags.copyWave && !flags.copySpectrogram && !flags.copyPowerSpectrum) return false;
    if (!flags.copyWave) flags.copyWaveX = flags.copyWaveY = false;
    if (!flags.copySpectrogram) flags.copySpectrogramX = flags.copySpectrogramY = false;
    if (!flags.copyPowerSpectrum) flags.copyPowerSpectrumX = flags.copyPowerSpectrumY = false;
    return true;
}

CompositeLayout LayOutComposite(const ImageCopySettings& flags, const CompositeSizes& sizes) {
    CompositeLayout layout;
    const bool anyViewAxis =
        flags.copyWaveX || flags.copyWaveY || flags.copySpectrogramX || flags.copySpectrogramY;
    layout.leftMargin = anyViewAxis ? sizes.yAxisW : 0;
    layout.freqLeft = flags.copyPowerSpectrumX || flags.copyPowerSpectrumY ? sizes.yAxisW : 0;
    layout.freqBlockW = flags.copyPowerSpectrum ? sizes.freqW + layout.freqLeft : 0;
    // The wave view's width counts even when neither it nor the spectrogram is copied.
    layout.width = std::max(layout.leftMargin + sizes.waveW, layout.freqBlockW);

    const auto blockHeight = [&sizes](bool view, bool timeAxis, int viewHeight) {
        if (!view) return 0;
        return (timeAxis ? sizes.xAxisH : 0) + viewHeight + kCompositeBlockGap;
    };
    layout.waveBlockH = blockHeight(flags.copyWave, flags.copyWaveX, sizes.waveH);
    layout.spgmBlockH = blockHeight(flags.copySpectrogram, flags.copySpectrogramX, sizes.spgmH);
    layout.freqBlockH = blockHeight(flags.copyPowerSpectrum, flags.copyPowerSpectrumX, sizes.freqH);
    layout.height = layout.waveBlockH + layout.spgmBlockH + layout.freqBlockH - kCompositeBlockGap;

    const int spgmTop = layout.waveBlockH;
    const int freqTop = layout.waveBlockH + layout.spgmBlockH;
    layout.waveTimeAxis = {0, sizes.waveH};
    layout.waveAmplitudeAxis = {0, 0};
    layout.wave = {layout.leftMargin, 0};
    layout.spgmTimeAxis = {0, spgmTop + sizes.spgmH};
    layout.spgmFrequencyAxis = {0, spgmTop};
    layout.spgm = {layout.leftMargin, spgmTop};
    layout.spectrumFrequencyAxis = {0, freqTop + sizes.freqH};
    layout.spectrumLevelAxis = {0, freqTop};
    layout.spectrum = {layout.freqLeft, freqTop};
    return layout;
}

}  // namespace tonalyx
