#include "python/src/ModuleFiles.h"

#include "python/src/ModuleSound.h"
#include "requests/OutputFiles.h"

namespace tonalyx::python {

void WriteWhole(const std::string& path, std::string_view bytes) {
    if (auto failure = requests::WriteFileWhole(path, bytes)) throw OutputFailure(*failure);
}

void CheckOutput(const std::string& path) {
    if (auto failure = requests::CheckOutputFolder(path, true)) throw OutputFailure(*failure);
}

std::vector<std::uint8_t> LevelImageFile(requests::GreyImage levels, const std::string& format) {
    if (format != "png" && format != "pgm") {
        throw UsageProblem("an image format is png or pgm, not '" + format + "'");
    }
    const auto type = format == "png" ? requests::ImageFileType::Png : requests::ImageFileType::Pgm;
    return requests::EncodeLevelImage(levels, type);
}

std::string ImageFormatOfPath(const std::string& path) {
    requests::ImageFileType type;
    if (!requests::ImageFileTypeOf(path, type)) {
        throw UsageProblem("'" + path + "' names no image type: its extension is .png or .pgm");
    }
    return type == requests::ImageFileType::Png ? "png" : "pgm";
}

}  // namespace tonalyx::python
