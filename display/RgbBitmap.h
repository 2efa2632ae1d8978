#pragma once

#include <QImage>

class QString;

namespace tonalyx {

// The 24-bit bitmap the composite image is drawn into and handed to the clipboard, a bitmap
// file or the printer. It has no palette: palette images drawn into it keep their true colours.

// A new width by height bitmap, 24 bits per pixel, filled white.
QImage CreateRgbBitmap(int width, int height);

// Places the bitmap on the system clipboard.
void CopyBitmapToClipboard(const QImage& bitmap);

// Writes the bitmap as a BMP file of 24 bits per pixel. The file is replaced only when the
// whole image has been written; false when it cannot be created or written.
bool WriteBitmapFile(const QImage& bitmap, const QString& path);

}  // namespace tonalyx
