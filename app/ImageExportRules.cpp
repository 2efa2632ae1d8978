#include "app/ImageExportRules.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace tonalyx {

std::string DerivedImageName(const std::string& soundPath) {
    // The extension starts at the last dot of the file-name part, not of a folder name.
    const size_t separator = soundPath.find_last_of("/\\");
    const size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    const size_t dot = soundPath.rfind('.');
    std::string base = soundPath;
    if (dot != std::string::npos && dot >= nameStart) {
        std::string extension = soundPath.substr(dot);
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (extension == ".wav") base.erase(dot);
    }
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
