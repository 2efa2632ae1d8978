#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "document/WaveWriter.h"
#include "requests/SettingsTable.h"
#include "settings/TOptionForm.h"
#include "tools/SyntheticVoice.h"

// What the window tests that compare the window with tonalyx-cli share.
namespace tonalyx::testing {

// A 16 kHz voice of the given length: a glide from 120 to 220 Hz, a pause, then a fall from 200
// to 150 Hz with vibrato, so that the pitch track has voiced and unvoiced values and the spectra
// have harmonics. Written as voice.wav in dir.
inline QString WriteGlidingVoice(const QTemporaryDir& dir, double duration) {
    VoiceRecipe recipe;
    recipe.sampleRate = 16000;
    recipe.duration = duration;
    recipe.voiced = {{0.2, 0.45 * duration, 120, 220, 0, 0},
                     {0.55 * duration, duration - 0.2, 200, 150, 0.03, 5}};
    const std::vector<double> samples = SynthesizeVoice(recipe);
    const std::vector<int16_t> whole(samples.begin(), samples.end());
    WaveEncoding encoding;
    encoding.sampleRate = 16000;
    const QString path = dir.filePath("voice.wav");
    EXPECT_TRUE(WriteWaveFile(path.toStdString(), encoding, whole));
    return path;
}

// Every field of the window's settings records as --set NAME=VALUE, so that tonalyx-cli works
// with exactly the window's settings.
inline QStringList SettingsArguments(const SettingsRecordSet& window) {
    const requests::RecordSet records{window.analysis, window.display, window.imageCopy,
                                      window.file};
    QStringList arguments;
    for (const requests::SettingField& field : requests::SettingFields()) {
        arguments << "--set"
                  << QString::fromStdString(std::string(field.name) + "=" +
                                            requests::FormatSetting(field, records));
    }
    return arguments;
}

}  // namespace tonalyx::testing
