#include "display/PaletteBitmap.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

#include "display/Palette.h"

namespace tonalyx {

void PaletteBitmap::Update(const LevelImage& levels, bool blueToRed) {
    if (image_.width() != levels.width || image_.height() != levels.height) {
        image_ = QImage(levels.width, levels.height, QImage::Format_Indexed8);
    }
    QList<QRgb> colours;
    colours.reserve(kPaletteLevels);
    for (const PaletteEntry entry : LevelPalette(blueToRed)) {
        colours.push_back(qRgb(PaletteRed(entry), PaletteGreen(entry), PaletteBlue(entry)));
    }
    image_.setColorTable(colours);
    // An indexed image cannot be painted on: its scan lines are written directly.
    for (int line = 0; line < levels.height; ++line) {
        std::memcpy(image_.scanLine(line), levels.pixels.data() + size_t(line) * levels.width,
                    size_t(levels.width));
    }
}

void PaletteBitmap::Draw(QPainter& painter, int columns, int rows, int selectionStart,
                         int selectionEnd) const {
    columns = std::min(columns, image_.width());
    rows = std::min(rows, image_.height());
    if (columns <= 0 || rows <= 0) return;
    const auto copy = [&](int from, int to, QPainter::CompositionMode mode) {
        if (to <= from) return;
        painter.setCompositionMode(mode);
        painter.drawImage(QPoint(from, 0), image_, QRect(from, 0, to - from, rows));
    };
    if (selectionStart == selectionEnd) {
        copy(0, columns, QPainter::CompositionMode_SourceOver);
        return;
    }
    const int start = std::clamp(selectionStart, 0, columns);
    const int end = std::clamp(selectionEnd, start, columns);
    copy(0, start, QPainter::CompositionMode_SourceOver);
    copy(start, end, QPainter::RasterOp_NotSource);
    copy(end, columns, QPainter::CompositionMode_SourceOver);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

}  // namespace tonalyx
