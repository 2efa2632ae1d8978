#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "document/RecentFileList.h"
#include "settings/MemorySettingsStore.h"

namespace tonalyx {
namespace {

const std::string kKey(kSettingsKey);

RecentFileList ListOn(const std::shared_ptr<MemorySettingsData>& data) {
    return RecentFileList(std::make_unique<MemorySettingsStore>(data), kKey);
}

std::vector<std::string> Entries(const RecentFileList& list) {
    std::vector<std::string> entries;
    for (int i = 0; i < list.Count(); ++i)
        entries.push_back(list.Entry(i));
    return entries;
}

StoredValues& Key(MemorySettingsData& data) {
    return data.keys[kKey];
}

TEST(RecentFiles, AnEmptyStoreGivesNothingAndCreatesTheCount) {
    auto data = std::make_shared<MemorySettingsData>();
    RecentFileList list = ListOn(data);
    ASSERT_TRUE(list.LoadRecentFiles());
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(std::get<std::int32_t>(Key(*data).at("History")), 0);
    EXPECT_EQ(list.GetRecentFile(0), (RecentFileSlot{false, "(Nothing)"}));
    for (int slot = 1; slot < 8; ++slot)
        EXPECT_EQ(list.GetRecentFile(slot), (RecentFileSlot{false, ""}));
    // Slots outside 0..7 are clamped.
    EXPECT_EQ(list.GetRecentFile(-3), (RecentFileSlot{false, "(Nothing)"}));
    EXPECT_EQ(list.GetRecentFile(99), (RecentFileSlot{false, ""}));
}

TEST(RecentFiles, ReopeningMovesAFileToTheFront) {
    auto data = std::make_shared<MemorySettingsData>();
    RecentFileList list = ListOn(data);
    for (const char* path : {"/s/a.wav", "/s/b.wav", "/s/c.wav"})
        ASSERT_TRUE(list.AddRecentFile(path));
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"/s/c.wav", "/s/b.wav", "/s/a.wav"}));
    EXPECT_EQ(list.GetRecentFile(2), (RecentFileSlot{true, "/s/a.wav"}));

    ASSERT_TRUE(list.AddRecentFile("/s/a.wav"));
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"/s/a.wav", "/s/c.wav", "/s/b.wav"}));
    EXPECT_EQ(std::get<std::int32_t>(Key(*data).at("History")), 3);
    EXPECT_EQ(std::get<std::string>(Key(*data).at("History0")), "/s/a.wav");
    EXPECT_EQ(std::get<std::string>(Key(*data).at("History1")), "/s/c.wav");
    EXPECT_EQ(std::get<std::string>(Key(*data).at("History2")), "/s/b.wav");

    // The same file twice in a row leaves one entry; case matters.
    ASSERT_TRUE(list.AddRecentFile("/s/a.wav"));
    ASSERT_TRUE(list.AddRecentFile("/s/A.wav"));
    EXPECT_EQ(Entries(list),
              (std::vector<std::string>{"/s/A.wav", "/s/a.wav", "/s/c.wav", "/s/b.wav"}));
}

TEST(RecentFiles, ANinthFileDropsTheOldest) {
    auto data = std::make_shared<MemorySettingsData>();
    RecentFileList list = ListOn(data);
    for (int i = 1; i <= 9; ++i)
        list.AddRecentFile("/f" + std::to_string(i));
    EXPECT_EQ(list.Count(), 8);
    EXPECT_EQ(list.Entry(0), "/f9");
    EXPECT_EQ(list.Entry(7), "/f2");
    EXPECT_EQ(std::get<std::int32_t>(Key(*data).at("History")), 8);
    EXPECT_FALSE(Key(*data).contains("History8"));

    // A full list that already holds the path only reorders.
    list.AddRecentFile("/f5");
    EXPECT_EQ(Entries(list),
              (std::vector<std::string>{"/f5", "/f9", "/f8", "/f7", "/f6", "/f4", "/f3", "/f2"}));
}

TEST(RecentFiles, TwoProgramsSharingTheStoreMergeTheirOpens) {
    auto data = std::make_shared<MemorySettingsData>();
    RecentFileList first = ListOn(data);
    RecentFileList second = ListOn(data);
    first.LoadRecentFiles();
    second.LoadRecentFiles();
    first.AddRecentFile("/one.wav");
    // The second program shows the first one's file after its own next open.
    second.AddRecentFile("/two.wav");
    EXPECT_EQ(Entries(second), (std::vector<std::string>{"/two.wav", "/one.wav"}));
    first.AddRecentFile("/three.wav");
    EXPECT_EQ(Entries(first), (std::vector<std::string>{"/three.wav", "/two.wav", "/one.wav"}));
}

TEST(RecentFiles, StoredCountsAreKeptWithinZeroToEight) {
    auto data = std::make_shared<MemorySettingsData>();
    for (int i = 0; i < 10; ++i)
        Key(*data)["History" + std::to_string(i)] = "/p" + std::to_string(i);

    Key(*data)["History"] = 12;
    RecentFileList list = ListOn(data);
    ASSERT_TRUE(list.LoadRecentFiles());
    EXPECT_EQ(list.Count(), 8);
    EXPECT_EQ(list.Entry(7), "/p7");

    // A negative count reads as an empty list that can grow again.
    Key(*data)["History"] = -5;
    ASSERT_TRUE(list.LoadRecentFiles());
    EXPECT_EQ(list.Count(), 0);
    ASSERT_TRUE(list.AddRecentFile("/new.wav"));
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"/new.wav"}));
    EXPECT_EQ(std::get<std::int32_t>(Key(*data).at("History")), 1);
    // Values beyond the count are left alone.
    EXPECT_EQ(std::get<std::string>(Key(*data).at("History1")), "/p1");

    // So does a count that is not an integer.
    Key(*data)["History"] = std::string("three");
    ASSERT_TRUE(list.LoadRecentFiles());
    EXPECT_EQ(list.Count(), 0);
}

TEST(RecentFiles, MissingOrMistypedEntriesReadAsEmpty) {
    auto data = std::make_shared<MemorySettingsData>();
    Key(*data)["History"] = 3;
    Key(*data)["History0"] = "/a.wav";
    Key(*data)["History2"] = 42;
    RecentFileList list = ListOn(data);
    ASSERT_TRUE(list.LoadRecentFiles());
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"/a.wav", "", ""}));
    EXPECT_EQ(list.Entry(3), "");
    EXPECT_EQ(list.Entry(-1), "");
}

TEST(RecentFiles, AKeyThatCannotBeOpenedLeavesTheListInMemoryOnly) {
    auto data = std::make_shared<MemorySettingsData>();
    RecentFileList list = ListOn(data);
    list.AddRecentFile("/a.wav");
    data->refuseOpen = true;
    data->writes.clear();
    EXPECT_FALSE(list.LoadRecentFiles());
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"/a.wav"}));
    EXPECT_FALSE(list.AddRecentFile("/b.wav"));
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"/b.wav", "/a.wav"}));
    EXPECT_TRUE(data->writes.empty());
}

TEST(RecentFiles, PuttingAnEntryOfTheListItselfIsSafe) {
    auto data = std::make_shared<MemorySettingsData>();
    RecentFileList list = ListOn(data);
    for (const char* path : {"/a", "/b", "/c"})
        list.PutRecentFile(path);
    list.PutRecentFile(list.Entry(2));
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"/a", "/c", "/b"}));
}

}  // namespace
}  // namespace tonalyx
