#include "app/FileNames.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace tonalyx {

QString StripQuotes(const QString& text) {
    if (!text.startsWith('"')) return text;
    const qsizetype closing = text.indexOf('"', 1);
    if (closing < 0) return text;
    return text.mid(1, closing - 1);
}

QString LongFileName(const QString& path) {
    const QString stripped = StripQuotes(path);
    const QFileInfo info(stripped);
    if (!info.exists()) return stripped;
    return info.absoluteFilePath();
}

QString CommandLineText(const QStringList& arguments) {
    return arguments.join(' ');
}

QString SuggestedExportName(const QString& soundPath, const QString& suffix) {
    const QFileInfo sound(soundPath);
    return sound.dir().filePath(sound.completeBaseName() + "_" + suffix + ".csv");
}

}  // namespace tonalyx
