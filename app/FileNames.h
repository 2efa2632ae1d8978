#pragma once

#include <QString>

namespace tonalyx {

// The text between a leading double quote and the next one. Text that does not start with a
// quote, or has no closing quote, comes back unchanged.
QString StripQuotes(const QString& text);

// The path of a file named on the command line as the file system spells it: quotes removed,
// made absolute. A name that does not exist comes back with only its quotes removed.
QString LongFileName(const QString& path);

// The text a command line of several arguments stands for: a path with blanks that the shell
// split into words is joined again with single blanks.
QString CommandLineText(const QStringList& arguments);

// The name a data export offers: the sound's path with "_" + suffix + ".csv" for its
// extension, "rec/vowel.wav" becoming "rec/vowel_pitch.csv".
QString SuggestedExportName(const QString& soundPath, const QString& suffix);

}  // namespace tonalyx
