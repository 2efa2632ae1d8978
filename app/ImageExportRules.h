#pragma once

#include <string>

namespace tonalyx {

// The file-name and print-size rules of the image commands (Save Image, Print).

// The bitmap name Save Image writes for a sound: the extension of any sound format the program
// opens (in any letter case) is replaced by ".bmp", and ".bmp" is appended to other names, so
// "voice.WAV" gives "voice.bmp", "voice.flac" "voice.bmp" and "take.1" gives "take.1.bmp".
std::string DerivedImageName(const std::string& soundPath);

// The main window's design resolution: the composite has its physical size at this many pixels
// per inch.
inline constexpr int kDesignPixelsPerInch = 96;

struct PrintedSize {
    int width = 0;
    int height = 0;

    bool operator==(const PrintedSize&) const = default;
};

// The printer dots an image covers at the printer's resolution, with the image at 96 pixels per
// inch; integer arithmetic, multiplication first.
PrintedSize PrintedImageSize(int imageWidth, int imageHeight, int dotsPerInchX, int dotsPerInchY);

}  // namespace tonalyx
