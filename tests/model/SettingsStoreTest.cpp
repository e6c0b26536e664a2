#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "model/SettingsStore.h"
#include "support/ScratchDir.h"

namespace tarnwick {
namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    test::ScratchDir dir_{"tarnwick-model"};
    std::string path_ = dir_.File("Tarnwick.conf");
};

TEST_F(SettingsStoreTest, MissingFileIsAnEmptyStoreAndFlushCreatesDirectories) {
    const std::string nested = dir_.File("a/b/Tarnwick.conf");
    SettingsStore store(nested);
    EXPECT_TRUE(store.Load());
    EXPECT_EQ(store.GetString("Settings", "MyCall"), "");
    store.WriteString("Settings", "MyCall", "DL1ABC");
    ASSERT_TRUE(store.Flush());
    EXPECT_EQ(test::ScratchDir::Read(nested), "[Settings]\nMyCall=DL1ABC\n");
    struct stat st {};
    ASSERT_EQ(stat(dir_.File("a").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(SettingsStoreTest, ValuesRoundTripVerbatimAndEscapedOnlyWhereALineWouldBreak) {
    const std::string awkward[] = {
        "CQ DE %M  ",  // trailing blanks are keyed word spaces
        "  leading",
        "a=b=c",
        "line1\nline2\r\n",
        "back\\slash \\n not a newline",
        std::string("tab\there\x01\x7F\0end", 14),
        "\xC3\xA4\xFF raw high bytes",
        "[NotASection]",
        "; not a comment",
    };
    {
        SettingsStore store(path_);
        ASSERT_TRUE(store.Load());
        for (size_t i = 0; i < std::size(awkward); ++i) {
            store.WriteString("Settings", "V" + std::to_string(i), awkward[i]);
        }
        ASSERT_TRUE(store.Flush());
    }
    const std::string file = test::ScratchDir::Read(path_);
    EXPECT_NE(file.find("V0=CQ DE %M  \n"), std::string::npos);
    EXPECT_NE(file.find("V3=line1\\nline2\\r\\n\n"), std::string::npos);
    EXPECT_NE(file.find("V5=tab\\x09here\\x01\\x7F\\x00end\n"), std::string::npos);
    EXPECT_NE(file.find("V6=\xC3\xA4\xFF raw"), std::string::npos);

    SettingsStore reread(path_);
    ASSERT_TRUE(reread.Load());
    for (size_t i = 0; i < std::size(awkward); ++i) {
        EXPECT_EQ(reread.GetString("Settings", "V" + std::to_string(i)), awkward[i]) << i;
    }
}

TEST_F(SettingsStoreTest, ForeignLinesStayInPlaceAndUpdatesReplaceTheirLine) {
    test::ScratchDir::Write(path_,
                            "; written by hand\r\n"
                            "[Other]\n"
                            "Mode=keep me\n"
                            "\n"
                            "[Settings]\n"
                            "# comment\n"
                            "Unknown = spaced\n"
                            "Mode=0\r\n"
                            "PortMatrix[0][1]=2\n"
                            "garbage without equals\n"
                            "\n"
                            "[Tail]\n"
                            "X=1\n");
    SettingsStore store(path_);
    ASSERT_TRUE(store.Load());
    EXPECT_EQ(store.GetString("Settings", "Unknown"), "spaced");
    EXPECT_EQ(store.GetString("Settings", "PortMatrix[0][1]"), "2");
    EXPECT_EQ(store.GetString("Other", "Mode"), "keep me");
    EXPECT_EQ(store.Names("Settings"),
              (std::vector<std::string>{"Unknown", "Mode", "PortMatrix[0][1]"}));
    store.WriteString("Settings", "Mode", "1");
    store.WriteString("Settings", "MyCall", "K1JT");
    store.WriteString("New", "A", "b");
    ASSERT_TRUE(store.Flush());
    EXPECT_EQ(test::ScratchDir::Read(path_),
              "; written by hand\r\n"
              "[Other]\n"
              "Mode=keep me\n"
              "\n"
              "[Settings]\n"
              "# comment\n"
              "Unknown = spaced\n"
              "Mode=1\r\n"
              "PortMatrix[0][1]=2\n"
              "MyCall=K1JT\n"
              "garbage without equals\n"
              "\n"
              "[Tail]\n"
              "X=1\n"
              "\n"
              "[New]\n"
              "A=b\n");
}

TEST_F(SettingsStoreTest, HandEditedFilesReadAsMeantAndTakeTheProgramsSpelling) {
    test::ScratchDir::Write(path_,
                            "\xEF\xBB\xBF[settings]\r\n"
                            "mycall = DL1XYZ\r\n"
                            "Message00-00=CQ  \r\n");
    SettingsStore store(path_);
    ASSERT_TRUE(store.Load());
    EXPECT_EQ(store.GetString("Settings", "MyCall"), "DL1XYZ");
    EXPECT_EQ(store.GetString("SETTINGS", "message00-00"), "CQ  ");
    store.WriteString("Settings", "MyCall", " K1ABC");
    store.WriteString("Settings", "Mode", "1");
    ASSERT_TRUE(store.Flush());
    EXPECT_EQ(test::ScratchDir::Read(path_),
              "\xEF\xBB\xBF[settings]\r\n"
              "MyCall=\\x20K1ABC\r\n"
              "Message00-00=CQ  \r\n"
              "Mode=1\n");
    SettingsStore reread(path_);
    ASSERT_TRUE(reread.Load());
    EXPECT_EQ(reread.GetString("Settings", "MyCall"), " K1ABC");
    EXPECT_EQ(reread.Names("Settings"),
              (std::vector<std::string>{"MyCall", "Message00-00", "Mode"}));
}

TEST_F(SettingsStoreTest, RepeatedNamesReadTheFirstAndBadNamesAreNotWritten) {
    test::ScratchDir::Write(path_, "[Settings]\nMode=1\nMode=2\n[Settings]\nMode=3\nLate=4\n");
    SettingsStore store(path_);
    ASSERT_TRUE(store.Load());
    EXPECT_EQ(store.GetString("Settings", "Mode"), "1");
    EXPECT_EQ(store.GetString("Settings", "Late"), "4");
    EXPECT_EQ(store.Names("Settings"), (std::vector<std::string>{"Mode", "Late"}));
    for (const char* bad : {"", "a=b", "new\nline", " lead", "; c", "[x"}) {
        store.WriteString("Settings", bad, "v");
    }
    store.WriteString("Sec]tion", "Mode", "v");
    EXPECT_EQ(store.Names("Settings"), (std::vector<std::string>{"Mode", "Late"}));
    EXPECT_TRUE(store.Names("Sec]tion").empty());
}

TEST_F(SettingsStoreTest, BinaryJunkAndOverlongLinesNeverBreakLoading) {
    std::string junk;
    for (int i = 0; i < 5000; ++i) {
        junk += static_cast<char>((i * 7919) % 256);
    }
    junk += "\n[Settings]\nMyCall=OK\n" + std::string(SettingsStore::kMaxLineBytes + 10, '=') +
            "\n\\=\\x4\n";
    test::ScratchDir::Write(path_, junk);
    SettingsStore store(path_);
    ASSERT_TRUE(store.Load());
    EXPECT_EQ(store.GetString("Settings", "MyCall"), "OK");
    EXPECT_EQ(store.GetString("Settings", "\\"), "\\x4");
    ASSERT_TRUE(store.Flush());
    EXPECT_EQ(test::ScratchDir::Read(path_), junk);
}

TEST_F(SettingsStoreTest, OverlongValueIsCutToALoadableLineOnACharacterBoundary) {
    SettingsStore store(path_);
    ASSERT_TRUE(store.Load());
    std::string value;
    while (value.size() < SettingsStore::kMaxLineBytes) {
        value += "\xC3\xA4";
    }
    store.WriteString("Settings", "Big", value);
    const std::string stored = store.GetString("Settings", "Big");
    EXPECT_LT(stored.size(), value.size());
    EXPECT_EQ(stored.size() % 2, 0u);
    ASSERT_TRUE(store.Flush());
    SettingsStore reread(path_);
    ASSERT_TRUE(reread.Load());
    EXPECT_EQ(reread.GetString("Settings", "Big"), stored);
}

TEST_F(SettingsStoreTest, UnreadableOrOversizedFilesLoadEmptyAndAreNeverReplaced) {
    test::ScratchDir::Write(
        path_, "[Settings]\nMyCall=X\n" + std::string(SettingsStore::kMaxFileBytes, ';'));
    SettingsStore big(path_);
    EXPECT_FALSE(big.Load());
    EXPECT_EQ(big.GetString("Settings", "MyCall"), "");
    big.WriteString("Settings", "MyCall", "Y");
    EXPECT_FALSE(big.Flush());

    const std::string directory = dir_.File("dir.conf");
    ASSERT_EQ(mkdir(directory.c_str(), 0700), 0);
    SettingsStore notAFile(directory);
    EXPECT_FALSE(notAFile.Load());
    EXPECT_FALSE(notAFile.Flush());

    // A store that was never loaded must not overwrite what it has not seen.
    test::ScratchDir::Write(path_, "[Settings]\nMyCall=X\n");
    SettingsStore unread(path_);
    unread.WriteString("Settings", "MyCall", "Y");
    EXPECT_FALSE(unread.Flush());
    EXPECT_EQ(test::ScratchDir::Read(path_), "[Settings]\nMyCall=X\n");
}

TEST_F(SettingsStoreTest, FailedFlushLeavesTheOldFileIntact) {
    test::ScratchDir::Write(path_, "[Settings]\nMyCall=OLD\n");
    SettingsStore store(path_);
    ASSERT_TRUE(store.Load());
    store.WriteString("Settings", "MyCall", "NEW");

    // The file's directory cannot be created: its parent is a regular file.
    SettingsStore blocked(dir_.File("Tarnwick.conf/sub/Tarnwick.conf"));
    ASSERT_TRUE(blocked.Load());
    blocked.WriteString("Settings", "MyCall", "NEW");
    EXPECT_FALSE(blocked.Flush());
    EXPECT_EQ(test::ScratchDir::Read(path_), "[Settings]\nMyCall=OLD\n");

    // The rename itself fails: a directory took the file's place after loading.
    const std::string taken = dir_.File("taken.conf");
    SettingsStore late(taken);
    ASSERT_TRUE(late.Load());
    ASSERT_EQ(mkdir(taken.c_str(), 0700), 0);
    test::ScratchDir::Write(taken + "/keep", "x");
    EXPECT_FALSE(late.Flush());
    std::filesystem::remove_all(taken);

    SettingsStore inMemory("");
    ASSERT_TRUE(inMemory.Load());
    inMemory.WriteString("Settings", "MyCall", "NEW");
    EXPECT_FALSE(inMemory.Flush());

    ASSERT_TRUE(store.Flush());
    EXPECT_EQ(test::ScratchDir::Read(path_), "[Settings]\nMyCall=NEW\n");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(SettingsStoreTest, FlushWritesThroughASymbolicLink) {
    const std::string real = dir_.File("real.conf");
    test::ScratchDir::Write(real, "[Settings]\n");
    ASSERT_EQ(symlink(real.c_str(), path_.c_str()), 0);
    SettingsStore store(path_);
    ASSERT_TRUE(store.Load());
    store.WriteString("Settings", "Mode", "1");
    ASSERT_TRUE(store.Flush());
    EXPECT_TRUE(std::filesystem::is_symlink(path_));
    EXPECT_EQ(test::ScratchDir::Read(real), "[Settings]\nMode=1\n");
}

TEST(SettingsStoreDefaultPathTest, FollowsTheEnvironment) {
    const auto saved = [](const char* name) {
        const char* v = std::getenv(name);
        return v ? std::optional<std::string>(v) : std::nullopt;
    };
    const auto config = saved("TARNWICK_CONFIG");
    const auto xdg = saved("XDG_CONFIG_HOME");
    const auto home = saved("HOME");

    setenv("TARNWICK_CONFIG", "/x/y.conf", 1);
    EXPECT_EQ(SettingsStore::DefaultPath(), "/x/y.conf");
    setenv("TARNWICK_CONFIG", "", 1);
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(SettingsStore::DefaultPath(), "/cfg/Tarnwick EME/Contest Software/Tarnwick.conf");
    setenv("XDG_CONFIG_HOME", "relative", 1);
    setenv("HOME", "/home/op", 1);
    EXPECT_EQ(SettingsStore::DefaultPath(),
              "/home/op/.config/Tarnwick EME/Contest Software/Tarnwick.conf");

    const auto restore = [](const char* name, const std::optional<std::string>& value) {
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    };
    restore("TARNWICK_CONFIG", config);
    restore("XDG_CONFIG_HOME", xdg);
    restore("HOME", home);
}

}  // namespace
}  // namespace tarnwick
