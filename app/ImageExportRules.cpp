#include "app/ImageExportRules.h"

#include <cstdint>

#include "document/SoundFormats.h"

namespace tonalyx {

std::string DerivedImageName(const std::string& soundPath) {
    std::string base = soundPath;
    if (HasSoundFileExtension(soundPath)) base.erase(soundPath.rfind('.'));
    return base + ".bmp";
}

PrintedSize PrintedImageSize(int imageWidth, int imageHeight, int dotsPerInchX, int dotsPerInchY) {
    // 64-bit products: a large image at a high resolution would overflow 32 bits.
    const auto scale = [](int pixels, int dotsPerInch) {
        return static_cast<int>(std::int64_t{pixels} * dotsPerInch / kDesignPixelsPerInch);
    };
    return {scale(imageWidth, dotsPerInchX), scale(imageHeight, dotsPerInchY)};
}

}  // namespace tonalyx
