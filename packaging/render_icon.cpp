// Renders the application icon's SVG into the square PNG sizes of the hicolor icon theme, so that
// the bitmaps are made from the one drawing at build time and cannot drift from it.
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: render_icon ICON.svg SIZE OUTPUT.png\n");
        return 2;
    }
    const int size = std::atoi(argv[2]);
    if (size < 1 || size > 4096) {
        std::fprintf(stderr, "render_icon: bad size '%s'\n", argv[2]);
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render_icon: cannot read the drawing %s\n", argv[1]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    // QImage::save writes through a temporary file of its own only on some platforms, so the
    // output goes to a temporary name that replaces the target once it is whole.
    const QString target = QString::fromLocal8Bit(argv[3]);
    const QString partial = target + ".part";
    if (!image.save(partial, "PNG") ||
        std::rename(partial.toLocal8Bit().constData(), target.toLocal8Bit().constData()) != 0) {
        std::fprintf(stderr, "render_icon: cannot write %s\n", argv[3]);
        std::remove(partial.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
