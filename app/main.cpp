#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include "TonalyxVersion.h"
#include "app/FileNames.h"
#include "app/StartOptions.h"
#include "app/TAboutBox.h"
#include "app/TMainForm.h"
#include "display/TFreqForm.h"
#include "settings/TOptionForm.h"

namespace {

// An error that escapes a command ends that command only: the user sees it in a message box and
// the program goes on.
class TonalyxApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            QMessageBox::critical(activeWindow(), "Tonalyx", QString::fromLocal8Bit(error.what()));
        } catch (...) {
            QMessageBox::critical(activeWindow(), "Tonalyx", QString());
        }
        return false;
    }
};

// Prints the help or version text; a write that fails (a full disk, a closed pipe) is reported
// and ends the program with status 1.
int PrintText(const QString& text) {
    const QByteArray bytes = (text.endsWith('\n') ? text : text + '\n').toLocal8Bit();
    if (std::fwrite(bytes.constData(), 1, bytes.size(), stdout) != std::size_t(bytes.size()) ||
        std::fflush(stdout) != 0) {
        std::fprintf(stderr, "tonalyx: cannot write the text: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

QStringList ArgumentsOf(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Help and version need no display: they are answered before the window system is opened.
    using Action = tonalyx::StartOptions::Action;
    const tonalyx::StartOptions early = tonalyx::ParseStartOptions(ArgumentsOf(argc, argv));
    if (early.action == Action::ShowHelp) return PrintText(tonalyx::StartHelpText());
    if (early.action == Action::ShowVersion) return PrintText(tonalyx::VersionLine());

    TonalyxApplication application(argc, argv);
    QApplication::setApplicationName("Tonalyx");
    QApplication::setApplicationVersion(tonalyx::kVersion);
    QApplication::setOrganizationName("Velmora");
    // The desktop entry's name without ".desktop": the task bar finds the entry, and with it the
    // name and icon, from this.
    QApplication::setDesktopFileName("org.velmora.Tonalyx");
    QApplication::setWindowIcon(QIcon(":/icons/tonalyx.svg"));
    // Qt has taken its own options out of the arguments by now.
    const QString commandLine = tonalyx::CommandLineText(
        tonalyx::ParseStartOptions(QApplication::arguments().mid(1)).fileArguments);

    try {
        // The four windows live for the whole run, created in this order.
        tonalyx::TMainForm mainForm;
        tonalyx::TFreqForm freqForm(&mainForm);
        tonalyx::TOptionForm optionForm(&mainForm);
        tonalyx::TAboutBox aboutBox(&mainForm);
        mainForm.AttachWindows(&freqForm, &optionForm, &aboutBox);
        mainForm.SetCommandLineText(commandLine);
        mainForm.show();
        QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, "Tonalyx", QString::fromLocal8Bit(error.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, "Tonalyx", QString());
    }
    return 0;
}
