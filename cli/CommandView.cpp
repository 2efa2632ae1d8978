#include "cli/CommandView.h"

#include <filesystem>

#include "document/WaveReader.h"

namespace tonalyx::cli {

std::string FileNamePart(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::optional<std::string> LoadSound(const std::string& path, const FileSettings& file,
                                     SoundData& sound) {
    sound.maxSoundLength = file.maxSoundLength;
    WaveReadError error = WaveReadError::None;
    if (ReadWaveFile(sound, path, file.channelIndex, &error)) return std::nullopt;
    return "cannot open: " + DescribeWaveReadError(error, sound.format);
}

ViewGeometry OpenedView(int sampleCount, int viewWidth) {
    ViewGeometry geometry;
    geometry.sampleCount = sampleCount;
    geometry.viewWidth = viewWidth;
    geometry.Reset();
    geometry.Update(GeometryChange::Refresh, 0, 0);
    geometry.samplesPerPixel = InitialSamplesPerPixel(sampleCount, viewWidth);
    geometry.Update(GeometryChange::Refresh, 0, 0);
    return geometry;
}

ViewGeometry CommandLineView(int sampleCount, const ViewOptions& options, std::string& note) {
    ViewGeometry geometry = OpenedView(sampleCount, options.columns);
    if (options.fit) return geometry;
    geometry.fitToWindow = false;
    geometry.Update(GeometryChange::Refresh, 0, 0);
    if (options.samplesPerColumn) {
        // As after switching fitting off at this zoom: centred on the middle of the sound.
        geometry.samplesPerPixel = *options.samplesPerColumn;
        geometry.scroll.enabled = false;
        geometry.Update(GeometryChange::Refresh, 0, 0);
    }
    if (options.firstColumn) {
        const int wanted = *options.firstColumn;
        const int position = geometry.IsScrolled() ? geometry.ClampScrollPosition(wanted) : 0;
        if (position != wanted) {
            note = "first column " + std::to_string(wanted) + " lies beyond the scroll range; " +
                   "using " + std::to_string(position);
        }
        geometry.scroll.position = position;
    }
    return geometry;
}

}  // namespace tonalyx::cli
