#pragma once

#include <QString>
#include <QStringList>

namespace tonalyx {

// What the window program's command line asks for: run (and open the file it names), or print
// its help or version and end.
struct StartOptions {
    enum class Action { Run, ShowHelp, ShowVersion };
    Action action = Action::Run;
    // The words that name the file to open; a path with blanks may arrive split into words.
    QStringList fileArguments;
};

// Reads the arguments after the program name. "-h", "--help" and "--version" end the program
// with their text; "--" makes every later word part of the file name, so that a file whose name
// starts with '-' can be opened. Every other word is part of the file name, as before: the
// window reports a name it cannot open.
StartOptions ParseStartOptions(const QStringList& arguments);

// The text of --help: the usage line, what the program does and each option. The man page of
// the window program is made from this text.
QString StartHelpText();

// The one line of --version: the program name and the project's version.
QString VersionLine();

}  // namespace tonalyx
