#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <memory>
#include <vector>

#include "app/TAboutBox.h"
#include "app/TMainForm.h"
#include "display/TFreqForm.h"
#include "document/WaveWriter.h"
#include "settings/TOptionForm.h"

namespace tonalyx::testing {

// Points the per-user settings store at a folder of its own for as long as it lives: a new
// empty one, or the given folder (to see what an earlier program stored there); the folder in
// use before comes back at the end. No test then sees recent files or defaults that another
// test stored.
class IsolatedSettings {
public:
    explicit IsolatedSettings(const QString& folder = QString())
        : path_(folder.isEmpty() ? own_.path() : folder), previous_(Current()) {
        Use(path_);
    }
    ~IsolatedSettings() { Use(previous_); }
    IsolatedSettings(const IsolatedSettings&) = delete;
    IsolatedSettings& operator=(const IsolatedSettings&) = delete;

    const QString& Path() const { return path_; }

private:
    static QString& Current() {
        static QString current =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        return current;
    }
    static void Use(const QString& folder) {
        Current() = folder;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    }

    QTemporaryDir own_;
    QString path_;
    QString previous_;
};

// The four start-up windows, created in the program's order and wired the same way, on a
// settings store of their own (empty unless a folder is given).
struct StartedProgram {
    IsolatedSettings settings;
    TMainForm main;
    TFreqForm freq{&main};
    TOptionForm options{&main};
    TAboutBox about{&main};

    explicit StartedProgram(const QString& commandLine = QString(),
                            const QString& settingsFolder = QString())
        : settings(settingsFolder) {
        main.AttachWindows(&freq, &options, &about);
        main.SetCommandLineText(commandLine);
        main.show();
        EXPECT_TRUE(QTest::qWaitFor([this] { return main.FirstPaintDone(); }, 5000));
        // Let the deferred first-paint work run.
        QTest::qWait(20);
    }
};

// Closes every modal message box with the given button (when the box has it) or else its
// default one, and keeps their texts.
class MessageBoxCatcher {
public:
    explicit MessageBoxCatcher(QMessageBox::StandardButton answer = QMessageBox::NoButton) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this, answer] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts_ << box->text();
                if (QAbstractButton* button = box->button(answer)) {
                    button->click();
                } else {
                    box->done(QMessageBox::Ok);
                }
            }
        });
        timer_.start();
    }
    const QStringList& Texts() const { return texts_; }

private:
    QTimer timer_;
    QStringList texts_;
};

// A file holding the given bytes, written into dir under name; its path.
inline QString WriteTextFile(const QTemporaryDir& dir, const QString& name,
                             const QByteArray& text) {
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    return path;
}

// A mono 16-bit wave file of a sine, written into dir under name.
inline QString WriteSineWave(const QTemporaryDir& dir, const QString& name, int sampleCount,
                             int sampleRate = 16000, double frequency = 440.0) {
    std::vector<double> samples(static_cast<size_t>(sampleCount));
    for (int i = 0; i < sampleCount; ++i) {
        samples[static_cast<size_t>(i)] = 0.5 * std::sin(2 * M_PI * frequency * i / sampleRate);
    }
    WaveEncoding encoding;
    encoding.sampleRate = static_cast<uint32_t>(sampleRate);
    const QString path = dir.filePath(name);
    WriteWaveFile(path.toStdString(), encoding, samples);
    return path;
}

}  // namespace tonalyx::testing
