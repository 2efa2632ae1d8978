#pragma once

#include <optional>
#include <string>

#include "app/ViewGeometry.h"
#include "cli/CliArguments.h"
#include "document/SoundData.h"
#include "settings/SettingsRecords.h"

namespace tonalyx::cli {

// The last part of a path, for labels and output names.
std::string FileNamePart(const std::string& path);

// Reads the sound as the window's Open does, with the channel and the length limit of the
// file settings. Returns why the file was refused, or none.
std::optional<std::string> LoadSound(const std::string& path, const FileSettings& file,
                                     SoundData& sound);

// The view right after the window opened a sound of sampleCount samples in a wave view
// viewWidth columns wide: the zoom reset, the sound fitted to the view (unless it has no more
// samples than the view has columns), and the opening zoom kept for when fitting is switched
// off.
ViewGeometry OpenedView(int sampleCount, int viewWidth);

// The view the options ask for, reached by the window's own steps: opened, then Fit To Window
// switched off (unless --fit), then the zoom set and the view centred on the middle of the
// sound (--samples-per-column), then the scroll bar moved (--first-column). A first column
// beyond the scroll bar's range is clamped as the scroll bar clamps it, and note says so.
ViewGeometry CommandLineView(int sampleCount, const ViewOptions& options, std::string& note);

}  // namespace tonalyx::cli
