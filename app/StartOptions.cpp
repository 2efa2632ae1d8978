#include "app/StartOptions.h"

#include "TonalyxVersion.h"

namespace tonalyx {

StartOptions ParseStartOptions(const QStringList& arguments) {
    StartOptions options;
    bool namesOnly = false;
    for (const QString& word : arguments) {
        if (namesOnly) {
            options.fileArguments << word;
        } else if (word == "--") {
            namesOnly = true;
        } else if (word == "-h" || word == "--help") {
            options.action = StartOptions::Action::ShowHelp;
            return options;
        } else if (word == "--version") {
            options.action = StartOptions::Action::ShowVersion;
            return options;
        } else {
            options.fileArguments << word;
        }
    }
    return options;
}

QString StartHelpText() {
    return QStringLiteral(
        "Usage: tonalyx [OPTION]... [FILE]\n"
        "\n"
        "Tonalyx shows a recording of voice or speech as a wave form above a spectrogram of the\n"
        "stretch in view, computed by FFT power, auto-correlation, maximum entropy, cepstrum or\n"
        "liftering, with a pitch track, a power-spectrum window, selection and playback, cursor\n"
        "read-outs, and copy, print and save of the picture. FILE, when given, is opened at\n"
        "start; a name with blanks may be given as one word or as several, with or without\n"
        "double quotes around it.\n"
        "\n"
        "Options:\n"
        "  -h, --help     show this text and exit\n"
        "  --version      show the program's version and exit\n"
        "  --             every word after this one is part of FILE, even one starting with '-'\n"
        "\n"
        "The options of Qt programs (for example -platform NAME, -style NAME) are taken too.\n"
        "The user manual is under Help > Contents.\n");
}

QString VersionLine() {
    return QStringLiteral("tonalyx %1").arg(QString::fromLatin1(kVersion));
}

}  // namespace tonalyx
