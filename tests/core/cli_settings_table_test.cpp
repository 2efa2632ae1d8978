#include <set>
#include <string>
#include <variant>

#include <gtest/gtest.h>

#include "requests/SettingsTable.h"

namespace tonalyx::cli {
using namespace tonalyx::requests;
namespace {

// The address a field's accessor gives in one record set, as a plain pointer.
const void* Address(const SettingField& field, RecordSet& records) {
    return std::visit([&](auto access) -> const void* { return access(records); }, field.access);
}

TEST(CliSettingsTable, HasEveryFieldOfTheFourRecordsOnce) {
    RecordSet records;
    std::set<const void*> addresses;
    std::set<std::string> names;
    int perRecord[4] = {};
    const std::string recordNames[4] = {"AnalysisSettings", "DisplaySettings", "ImageCopySettings",
                                        "FileSettings"};
    for (const SettingField& field : SettingFields()) {
        EXPECT_TRUE(addresses.insert(Address(field, records)).second) << field.name;
        EXPECT_TRUE(names.insert(std::string(field.name)).second) << field.name;
        EXPECT_EQ(FindSettingField(field.name), &field);
        for (int r = 0; r < 4; ++r)
            perRecord[r] += field.record == recordNames[r];
    }
    // 17 analysis, 15 display, 9 image-copy and 3 file fields.
    EXPECT_EQ(perRecord[0], 17);
    EXPECT_EQ(perRecord[1], 15);
    EXPECT_EQ(perRecord[2], 9);
    EXPECT_EQ(perRecord[3], 3);
    // Every accessor lands inside the record set.
    const auto* begin = reinterpret_cast<const char*>(&records);
    for (const void* address : addresses) {
        const auto* at = static_cast<const char*>(address);
        EXPECT_TRUE(at >= begin && at < begin + sizeof records);
    }
    EXPECT_EQ(FindSettingField("fftsizelog2"), nullptr);
}

TEST(CliSettingsTable, FormattedValuesReadBackToTheSameRecords) {
    RecordSet changed;
    changed.analysis.fftSizeLog2 = 9;
    changed.analysis.lifSd = 0.0123456789012345;
    changed.analysis.memResampleRate = -1;
    changed.analysis.pitchMinFreq = 75.25;
    changed.analysis.acCoefficient = true;
    changed.display.maxFreq = 1.0 / 3.0;
    changed.display.minFreq = -2e-7;
    changed.display.maxPercent = 0.3;
    changed.display.imageHeight = 1024;
    changed.display.interpolate = false;
    changed.imageCopy.copyPowerSpectrum = true;
    changed.file.channelIndex = 63;
    changed.file.disableAudio = true;

    RecordSet rebuilt;
    for (const SettingField& field : SettingFields()) {
        const std::string assignment =
            std::string(field.name) + "=" + FormatSetting(field, changed);
        EXPECT_EQ(ApplySetting(rebuilt, assignment), std::nullopt) << assignment;
    }
    EXPECT_EQ(rebuilt, changed);
    EXPECT_EQ(FormatSetting(*FindSettingField("logScale"), changed), "false");
    EXPECT_EQ(FormatSetting(*FindSettingField("maxFreq"), RecordSet{}), "1000");
}

TEST(CliSettingsTable, ReadsBooleansIntegersAndRealsAsDocumented) {
    RecordSet records;
    for (const char* yes : {"true", "1", "on", "ON", " True "}) {
        records.display.logScale = false;
        EXPECT_EQ(ApplySetting(records, std::string("logScale=") + yes), std::nullopt);
        EXPECT_TRUE(records.display.logScale) << yes;
    }
    for (const char* no : {"false", "0", "off", "Off"}) {
        records.display.logScale = true;
        EXPECT_EQ(ApplySetting(records, std::string("logScale=") + no), std::nullopt);
        EXPECT_FALSE(records.display.logScale) << no;
    }
    EXPECT_EQ(ApplySetting(records, "fftSizeLog2=+13"), std::nullopt);
    EXPECT_EQ(records.analysis.fftSizeLog2, 13);
    EXPECT_EQ(ApplySetting(records, "maxFreq=2.5e3"), std::nullopt);
    EXPECT_EQ(records.display.maxFreq, 2500.0);
    EXPECT_EQ(ApplySetting(records, "memResampleRate=8000"), std::nullopt);
    EXPECT_EQ(records.analysis.memResampleRate, 8000.0);
    EXPECT_EQ(ApplySetting(records, " minDb = -1000"), std::nullopt);
    EXPECT_EQ(records.display.minDb, -1000.0);
}

TEST(CliSettingsTable, RefusesBadValuesAndKeepsTheRecords) {
    RecordSet records;
    const RecordSet before = records;
    const auto refusal = [&](const char* assignment) {
        const std::optional<std::string> error = ApplySetting(records, assignment);
        EXPECT_TRUE(error) << assignment;
        EXPECT_EQ(records, before) << assignment;
        return error.value_or("");
    };
    EXPECT_EQ(refusal("fftSizeLog2"), "--set takes NAME=VALUE, not 'fftSizeLog2'");
    EXPECT_EQ(refusal("fftSize=11"), "unknown setting 'fftSize' (tonalyx-cli settings lists them)");
    EXPECT_EQ(refusal("IMAGEHEIGHT=20"),
              "unknown setting 'IMAGEHEIGHT' (did you mean 'imageHeight'?)");
    EXPECT_EQ(refusal("fftSizeLog2=11.5"), "fftSizeLog2 must be a whole number, not '11.5'");
    EXPECT_EQ(refusal("fftSizeLog2="), "fftSizeLog2 must be a whole number, not ''");
    EXPECT_EQ(refusal("fftSizeLog2=14"),
              "fftSizeLog2 must be a whole number from 4 to 13, not '14'");
    EXPECT_EQ(refusal("cepSizeLog2=8"), "cepSizeLog2 must be a whole number from 9 to 13, not '8'");
    EXPECT_EQ(refusal("imageHeight=15"),
              "imageHeight must be a whole number from 16 to 1024, not '15'");
    EXPECT_EQ(refusal("lifSd=0.0005"), "lifSd must be a number from 0.001 to 1, not '0.0005'");
    EXPECT_EQ(refusal("maxPercent=10"), "maxPercent must be a number from 0 to 1, not '10'");
    EXPECT_EQ(refusal("memResampleRate=11025"),
              "memResampleRate must be one of 0, -1, 8000, 10000, 12000, 16000, not '11025'");
    EXPECT_EQ(refusal("maxFreq=1,5"), "maxFreq must be a decimal number, not '1,5'");
    EXPECT_EQ(refusal("maxFreq=inf"), "maxFreq must be a decimal number, not 'inf'");
    EXPECT_EQ(refusal("logScale=yes"), "logScale must be true/false, 1/0 or on/off, not 'yes'");
    EXPECT_EQ(refusal("channelIndex=64"),
              "channelIndex must be a whole number from 0 to 63, not '64'");
    EXPECT_EQ(refusal("maxSoundLength=301"),
              "maxSoundLength must be a whole number from 1 to 300, not '301'");
}

}  // namespace
}  // namespace tonalyx::cli
