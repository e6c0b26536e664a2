#include <gtest/gtest.h>

#include "model/SettingsStore.h"
#include "model/WindowPos.h"
#include "support/ScratchDir.h"

namespace tarnwick {
namespace {

class WindowPosTest : public ::testing::Test {
protected:
    std::optional<WindowPos> ReadFrom(const std::string& text) {
        test::ScratchDir::Write(store_.Path(), "[Settings]\nWindowPos=" + text + "\n");
        EXPECT_TRUE(store_.Load());
        return ReadWindowPos(store_);
    }

    test::ScratchDir dir_{"tarnwick-model"};
    SettingsStore store_{dir_.File("Tarnwick.conf")};
};

TEST_F(WindowPosTest, TwelveIntegersRoundTripAndMaximisedComesBack) {
    ASSERT_TRUE(store_.Load());
    EXPECT_FALSE(ReadWindowPos(store_));
    const WindowPos normal{0, 1, -1, -1, -8, -8, 10, 20, 810, 620, 150, 60};
    const WindowPos closed = WithMaximizedFlag(normal, true);
    WriteWindowPos(store_, closed);
    EXPECT_EQ(store_.GetString(kSettingsSection, "WindowPos"),
              "2:1:-1:-1:-8:-8:10:20:810:620:150:60");
    ASSERT_TRUE(store_.Flush());

    SettingsStore reread(store_.Path());
    ASSERT_TRUE(reread.Load());
    const auto pos = ReadWindowPos(reread);
    ASSERT_TRUE(pos);
    EXPECT_EQ(*pos, closed);
    EXPECT_TRUE(RestoresMaximized(*pos));
    EXPECT_FALSE(RestoresMaximized(normal));
    EXPECT_EQ(WithMaximizedFlag(closed, true).Flags, 2);  // set once, not added twice
    EXPECT_EQ(WithMaximizedFlag(normal, false), normal);
}

TEST_F(WindowPosTest, ReadsAsScanfWouldAndRefusesShortValues) {
    EXPECT_FALSE(ReadFrom("0:1:2:3:4:5:6:7:8:9:10"));  // eleven
    EXPECT_FALSE(ReadFrom("0:1:2:3:4:5:6:7:8:9:10:"));
    EXPECT_FALSE(ReadFrom("0:1:2:3:4:5:6:7:8:9:10 :11"));
    EXPECT_FALSE(ReadFrom("0;1;2;3;4;5;6;7;8;9;10;11"));
    EXPECT_FALSE(ReadFrom(""));
    const auto pos = ReadFrom(" 0x3:1: 2:3:4:5:6:7:8:9:010:11:99 trailing");
    ASSERT_TRUE(pos);
    EXPECT_EQ(pos->Flags, 3);
    EXPECT_EQ(pos->TitleColumnWidth, 8);
    EXPECT_EQ(pos->OtherColumnWidth, 11);
}

}  // namespace
}  // namespace tarnwick
