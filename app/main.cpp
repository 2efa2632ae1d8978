#include <QApplication>
#include <QMessageBox>

#include <exception>

#include "app/FileNames.h"
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

}  // namespace

int main(int argc, char* argv[]) {
    TonalyxApplication application(argc, argv);
    QApplication::setApplicationName("Tonalyx");
    QApplication::setOrganizationName("Velmora");
    const QString commandLine = tonalyx::CommandLineText(QApplication::arguments().mid(1));

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
