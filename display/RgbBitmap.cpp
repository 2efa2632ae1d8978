#include "display/RgbBitmap.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImageWriter>
#include <QSaveFile>

namespace tonalyx {

QImage CreateRgbBitmap(int width, int height) {
    QImage bitmap(width, height, QImage::Format_RGB888);
    bitmap.fill(Qt::white);
    return bitmap;
}

void CopyBitmapToClipboard(const QImage& bitmap) {
    QGuiApplication::clipboard()->setImage(bitmap);
}

bool WriteBitmapFile(const QImage& bitmap, const QString& path) {
    // The BMP writer stores every image of more than 8 bits per pixel with 24.
    const QImage rgb = bitmap.convertToFormat(QImage::Format_RGB888);
    // Written beside the target and renamed over it: a failure leaves the old file whole. A
    // folder where no new file can be made is refused rather than written into in place.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    QImageWriter writer(&file, "BMP");
    if (!writer.write(rgb)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace tonalyx
