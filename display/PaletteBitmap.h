#pragma once

#include <QImage>

#include "analysis/LevelImage.h"

class QPainter;

namespace tonalyx {

// The 8-bit spectrogram image with its level palette, as the screen, the clipboard and the
// printer see it. It only grows, like the level image it shows.
class PaletteBitmap {
public:
    // Takes the levels and the palette (grey, or blue to red).
    void Update(const LevelImage& levels, bool blueToRed);

    const QImage& Image() const { return image_; }

    // Copies columns [0, columns) by rows [0, rows) to the painter's origin; the columns in
    // [selectionStart, selectionEnd) are copied inverted (each colour replaced by its
    // complement). An empty selection copies everything plainly.
    void Draw(QPainter& painter, int columns, int rows, int selectionStart, int selectionEnd) const;

private:
    QImage image_;
};

}  // namespace tonalyx
