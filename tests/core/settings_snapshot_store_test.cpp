#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/ControlSettingsStore.h"
#include "settings/MemorySettingsStore.h"
#include "settings/OptionSnapshot.h"

namespace tonalyx {
namespace {

using Bytes = std::vector<std::uint8_t>;
const std::string kKey(kSettingsKey);

Bytes Encode(const OptionControls& controls) {
    return EncodeOptionSnapshot(controls, EditTextsOfPositions(controls));
}

// A dialog's store over shared memory, holding the factory snapshot as a fresh dialog does.
struct Dialog {
    ControlSettingsStore store;

    explicit Dialog(const std::shared_ptr<MemorySettingsData>& data)
        : store(kSettingsVersion, kKey, std::make_unique<MemorySettingsStore>(data)) {
        store.SetSnapshot(Encode(OptionControls{}));
    }
};

const StoredValues& Key(const MemorySettingsData& data) {
    return data.keys.at(kKey);
}

TEST(SnapshotStore, FirstStartWritesMinusOneThen123AndTheFactorySnapshot) {
    auto data = std::make_shared<MemorySettingsData>();
    Dialog dialog(data);
    ASSERT_TRUE(dialog.store.LoadFromRegistry());

    ASSERT_EQ(data->writes.size(), 3u);
    EXPECT_EQ(data->writes[0], (std::pair<std::string, StoredValue>{"Version", -1}));
    EXPECT_EQ(data->writes[1], (std::pair<std::string, StoredValue>{"Version", 123}));
    EXPECT_EQ(data->writes[2].first, "Options");
    const Bytes factory = Encode(OptionControls{});
    EXPECT_EQ(std::get<Bytes>(Key(*data).at("Options")), factory);
    EXPECT_EQ(std::get<std::int32_t>(Key(*data).at("Version")), 123);
    EXPECT_EQ(dialog.store.Snapshot(), factory);
}

TEST(SnapshotStore, AStoredSnapshotOfTheRightVersionAndSizeIsLoadedAsItIs) {
    auto data = std::make_shared<MemorySettingsData>();
    OptionControls stored;
    stored.lFftSize = 0;
    stored.lMaxTime = {"35", -1};
    data->keys[kKey]["Version"] = 123;
    data->keys[kKey]["Options"] = Encode(stored);

    Dialog dialog(data);
    ASSERT_TRUE(dialog.store.LoadFromRegistry());
    EXPECT_TRUE(data->writes.empty());
    EXPECT_EQ(dialog.store.Snapshot(), Encode(stored));

    // What the next start shows and reads: "8192" selected, maxTime 35 ms.
    OptionControls controls;
    UpDownEditTexts texts;
    ASSERT_TRUE(DecodeOptionSnapshot(dialog.store.Snapshot(), controls, texts));
    AnalysisSettings analysis;
    DisplaySettings display;
    ImageCopySettings imageCopy;
    FileSettings file;
    ASSERT_FALSE(ReadSettings(controls, analysis, display, imageCopy, file).has_value());
    EXPECT_EQ(analysis.fftSizeLog2, 13);
    EXPECT_DOUBLE_EQ(display.maxTime, 0.035);
}

TEST(SnapshotStore, AWrongVersionSizeOrTypeIsReplacedByTheFactorySnapshot) {
    OptionControls custom;
    custom.lCorSize = 0;
    const Bytes customBytes = Encode(custom);
    struct Case {
        const char* what;
        std::optional<StoredValue> version;
        std::optional<StoredValue> options;
    };
    const Case cases[] = {
        {"1727 bytes", 123, Bytes(customBytes.begin(), customBytes.end() - 1)},
        {"1729 bytes", 123,
         [&] {
             Bytes longer = customBytes;
             longer.push_back(0);
             return StoredValue(longer);
         }()},
        {"version 122", 122, customBytes},
        {"version missing", std::nullopt, customBytes},
        {"version as text", std::string("123"), customBytes},
        {"options missing", 123, std::nullopt},
        {"options as text", 123, std::string(1728, 'x')},
    };
    for (const Case& c : cases) {
        auto data = std::make_shared<MemorySettingsData>();
        if (c.version) data->keys[kKey]["Version"] = *c.version;
        if (c.options) data->keys[kKey]["Options"] = *c.options;
        Dialog dialog(data);
        ASSERT_TRUE(dialog.store.LoadFromRegistry()) << c.what;
        EXPECT_EQ(dialog.store.Snapshot(), Encode(OptionControls{})) << c.what;
        EXPECT_EQ(std::get<Bytes>(Key(*data).at("Options")), Encode(OptionControls{})) << c.what;
        EXPECT_EQ(std::get<std::int32_t>(Key(*data).at("Version")), 123) << c.what;
    }
}

TEST(SnapshotStore, SaveWritesOnlyTheSnapshotAndANewDialogLoadsIt) {
    auto data = std::make_shared<MemorySettingsData>();
    Dialog first(data);
    ASSERT_TRUE(first.store.LoadFromRegistry());
    data->writes.clear();

    OptionControls changed;
    changed.bDisableAudio = true;
    changed.lHeight = 512;
    first.store.SetSnapshot(Encode(changed));
    ASSERT_TRUE(first.store.SaveToRegistry());
    ASSERT_EQ(data->writes.size(), 1u);
    EXPECT_EQ(data->writes[0].first, "Options");

    Dialog second(data);
    ASSERT_TRUE(second.store.LoadFromRegistry());
    EXPECT_EQ(second.store.Snapshot(), Encode(changed));
}

TEST(SnapshotStore, AKeyThatCannotBeOpenedKeepsTheFactorySnapshotAndStoresNothing) {
    auto data = std::make_shared<MemorySettingsData>();
    data->refuseOpen = true;
    Dialog dialog(data);
    EXPECT_FALSE(dialog.store.LoadFromRegistry());
    EXPECT_EQ(dialog.store.Snapshot(), Encode(OptionControls{}));
    EXPECT_FALSE(dialog.store.SaveToRegistry());
    EXPECT_TRUE(data->writes.empty());
    EXPECT_TRUE(data->keys.empty());
}

}  // namespace
}  // namespace tonalyx
