#include "app/OpenNotes.h"

#include <QStringList>

namespace tonalyx {

namespace {

// Seconds with one decimal for the long stretches a cut concerns, three for the short ones a
// damaged file may hold.
QString Seconds(double seconds, int decimals) {
    return QString::number(seconds, 'f', decimals) + " s";
}

}  // namespace

QString OpenNote(const requests::LoadReport& report, int maxSoundLength) {
    QStringList notes;
    const double rate = report.sampleRate > 0 ? report.sampleRate : 1;
    const int channels = report.origin.channels;
    if (report.channelRead != report.channelAsked) {
        notes << QString("Channel %1 does not exist in %2 %3; read channel %4, the last one")
                     .arg(report.channelAsked)
                     .arg(channels)
                     .arg(channels == 1 ? "channel" : "channels")
                     .arg(report.channelRead);
    }
    const SoundFileInfo& origin = report.origin;
    if (origin.sizeUnset && !origin.streamCut) {
        notes << "The data chunk's size is 0xFFFFFFFF, left unset by a streaming writer; read the "
                 "data to the end of the file";
    }
    if (report.framesInFile < report.claimedFrames) {
        notes << QString("%1 %2 of the %3 its header claims; read what it holds")
                     .arg(requests::HasDataChunk(report) ? "The data chunk holds"
                                                         : "The file decodes to")
                     .arg(Seconds(static_cast<double>(report.framesInFile) / rate, 3))
                     .arg(Seconds(static_cast<double>(report.claimedFrames) / rate, 3));
    }
    if (report.framesLoaded < report.framesInFile) {
        notes << QString("Read the first %1 of %2 (Max length of sound %3 s)")
                     .arg(Seconds(static_cast<double>(report.framesLoaded) / rate, 1))
                     .arg(Seconds(static_cast<double>(report.framesInFile) / rate, 1))
                     .arg(maxSoundLength);
    }
    if (origin.streamCut) {
        notes << QString(
                     "Read the first %1 of the stream and left the rest unread (Max length "
                     "of sound %2 s)")
                     .arg(Seconds(static_cast<double>(report.framesLoaded) / rate, 1))
                     .arg(maxSoundLength);
    }
    if (auto repaired = requests::RepairNote(origin.repairs)) {
        QString note = QString::fromStdString(*repaired);
        note[0] = note[0].toUpper();
        notes << note;
    }
    return notes.join("; ");
}

}  // namespace tonalyx
