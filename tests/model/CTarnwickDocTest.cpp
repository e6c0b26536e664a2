#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cmath>

#include "DocTestSupport.h"
#include "model/CTarnwickDoc.h"
#include "model/SettingsStore.h"
#include "support/ScratchDir.h"

namespace tarnwick {
namespace {

class CTarnwickDocTest : public ::testing::Test {
protected:
    CTarnwickDocTest() { doc_.OnNewDocument(); }

    // The document as it starts over a settings file with the given contents.
    void LoadFrom(const std::string& content) {
        LoadStoreWith(store_, content);
        doc_.LoadSettings(store_);
    }

    test::ScratchDir dir_{"tarnwick-model"};
    SettingsStore store_{dir_.File("Tarnwick.conf")};
    CTarnwickDoc doc_;
};

TEST_F(CTarnwickDocTest, FreshDocumentHoldsTheDefaults) {
    EXPECT_EQ(doc_.Mode, 0);
    EXPECT_EQ(doc_.Contest, 1);
    EXPECT_EQ(doc_.MyCall, "MYCALL");
    EXPECT_EQ(doc_.MyGrid, "EM00mm");
    EXPECT_EQ(doc_.HisCall, "HISCALL");
    EXPECT_EQ(doc_.Report, "O");
    EXPECT_EQ(doc_.LptPort[0], "0");
    EXPECT_EQ(doc_.CWRate, 15u);
    EXPECT_EQ(doc_.TXDelay, 0.2);
    EXPECT_EQ(doc_.WaveOut, -1);
    EXPECT_EQ(doc_.DisplayBusy.load(), 1);
    EXPECT_EQ(doc_.CaptureFormat.SamplesPerSec, 11025u);
    EXPECT_EQ(doc_.CaptureFormat.AvgBytesPerSec, 22050u);
    EXPECT_EQ(doc_.PlaybackFormat.SamplesPerSec, 5512u);
    EXPECT_EQ(doc_.PlaybackFormat.AvgBytesPerSec, 11024u);
    EXPECT_EQ(doc_.PlaybackFormat.BlockAlign, 2);
    EXPECT_EQ(doc_.PlaybackFormat.BitsPerSample, 16);
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(doc_.WorkingDir, cwd);

    ASSERT_EQ(doc_.Groups.size(), 4u);
    ExpectValidGroupList(doc_);
    const MessageGroup& eme = *doc_.Groups[0];
    EXPECT_EQ(eme.Title, "2M CW EME");
    EXPECT_EQ(eme.DurNumber, 120);
    EXPECT_EQ(eme.Messages[1], "{%T DE %M}[R:90]{%R}[R:30]");
    EXPECT_EQ(eme.Messages[4], "{R R R R 73 73 73}[R:90] * * * * DE %M");
    EXPECT_EQ(doc_.Groups[1]->Title, "CW Contest");
    EXPECT_EQ(doc_.Groups[1]->DurNumber, 15);
    EXPECT_EQ(doc_.Groups[1]->Messages[0], "CQ TEST CQ TEST DE %M %M %M K [P:10]");
    EXPECT_EQ(doc_.Groups[2]->Title, "SSB M Scatter");
    EXPECT_EQ(doc_.Groups[2]->DurNumber, 30);
    EXPECT_EQ(doc_.Groups[2]->Messages,
              (std::array<std::string, 7>{"{{MSvoiceCQ.wav}[I]}[R:30]", "{{MSrogers.wav}[I]}[R:30]",
                                          "{{MS73.wav}[I]}[R:30]", "", "", "", ""}));
    EXPECT_EQ(doc_.Groups[3]->Title, "SSB Contest");
    EXPECT_EQ(doc_.Groups[3]->Messages[2], "{Contest73.wav}[I]");
}

TEST_F(CTarnwickDocTest, ActiveGroupFollowsModeAndPeriod) {
    // Contest = 1 is the Sequenced period.
    const int expected[2][2] = {{1, 0}, {3, 2}};
    for (int mode = 0; mode < 2; ++mode) {
        for (int period = 0; period < 2; ++period) {
            doc_.Mode = mode;
            doc_.Contest = period;
            EXPECT_EQ(doc_.ActiveGroupPosition(), expected[mode][period]) << mode << period;
        }
    }
    doc_.ActivPhSeqStr = 99;  // set directly past every check
    doc_.Mode = 1;
    doc_.Contest = 1;
    EXPECT_EQ(doc_.ActiveGroupPosition(), 2);
}

TEST_F(CTarnwickDocTest, EmptyValuesKeepDefaultsButOnlyDefaultGroupsHaveThem) {
    LoadFrom(
        "[Settings]\nMyCall=\nReport=\nLptPort1=\nNCWTitles=3\nNPhTitles=2\n"
        "Message00-00=\nTitle01=Renamed\nMessage04-00=\n");
    EXPECT_EQ(doc_.MyCall, "MYCALL");
    EXPECT_EQ(doc_.Report, "O");
    EXPECT_EQ(doc_.LptPort[0], "0");
    ASSERT_EQ(doc_.Groups.size(), 5u);
    EXPECT_EQ(doc_.Groups[0]->Messages[0], "{%T DE %M}[R:120]");
    EXPECT_EQ(doc_.Groups[1]->Title, "Renamed");
    EXPECT_EQ(doc_.Groups[3]->Title, "SSB Contest");
    const MessageGroup& extra = *doc_.Groups[4];
    EXPECT_EQ(extra.Title, "");
    EXPECT_EQ(extra.DurNumber, 0);
    EXPECT_EQ(extra.Messages[0], "");
    // Default phone positions 2 and 3 no longer both lie in the phone part (3..4).
    EXPECT_EQ(doc_.ActivPhSeqStr, 3);
    EXPECT_EQ(doc_.ActivPhContStr, 3);
    ExpectValidGroupList(doc_);
}

TEST_F(CTarnwickDocTest, StoredCountsShortenTheListAndAreBounded) {
    LoadFrom("[Settings]\nNCWTitles=1\nNPhTitles=1\n");
    ASSERT_EQ(doc_.Groups.size(), 2u);
    EXPECT_EQ(doc_.Groups[1]->Title, "CW Contest");  // now the only phone group
    ExpectValidGroupList(doc_);

    const struct {
        const char* counts;
        int nCw, nPh;
    } cases[] = {
        {"NCWTitles=100000\nNPhTitles=2\n", 100, 1},
        {"NCWTitles=100\nNPhTitles=100\n", 100, 1},
        {"NCWTitles=0\nNPhTitles=-5\n", 1, 1},
        {"NCWTitles=-2147483648\nNPhTitles=2147483647\n", 1, 100},
    };
    for (const auto& c : cases) {
        LoadFrom(std::string("[Settings]\n") + c.counts);
        EXPECT_EQ(doc_.NCWTitles, c.nCw) << c.counts;
        EXPECT_EQ(doc_.NPhTitles, c.nPh) << c.counts;
        ExpectValidGroupList(doc_);
    }
}

TEST_F(CTarnwickDocTest, StoredDefaultsOutsideTheirModeGoToItsFirstGroup) {
    LoadFrom(
        "[Settings]\nActivCWContStr=2\nActivCWSeqStr=-1\nActivPhContStr=1\n"
        "ActivPhSeqStr=3\n");
    EXPECT_EQ(doc_.ActivCWContStr, 0);
    EXPECT_EQ(doc_.ActivCWSeqStr, 0);
    EXPECT_EQ(doc_.ActivPhContStr, 2);
    EXPECT_EQ(doc_.ActivPhSeqStr, 3);
}

TEST_F(CTarnwickDocTest, NumbersReadAsTheirFormatsAndOddValuesAreKept) {
    LoadFrom(
        "[Settings]\nMode=0x1\nContest=00\nCWRate=-1\nTXDelay=abc\nDotWgt=nan\nDashWgt=1e999\n"
        "FilterFreq=800Hz\nFilterWidth=\nLptPort1=3bc\nWaveOut=  2\nComPort3=010\n"
        "PortMatrix[4][2]=7\nDurNumber02=oops\n");
    EXPECT_EQ(doc_.Mode, 1);
    EXPECT_EQ(doc_.Contest, 0);
    EXPECT_EQ(doc_.CWRate, 4294967295u);
    EXPECT_EQ(doc_.TXDelay, 0.2);
    EXPECT_TRUE(std::isnan(doc_.DotWgt));
    EXPECT_TRUE(std::isinf(doc_.DashWgt));
    EXPECT_EQ(doc_.FilterFreq, 800);
    EXPECT_EQ(doc_.FilterWidth, 100);
    EXPECT_EQ(doc_.LptAddress, 0x3BC);
    EXPECT_EQ(doc_.WaveOut, 2);
    EXPECT_EQ(doc_.ComPort[2], 8);
    EXPECT_EQ(doc_.PortMatrix[4][2], 7);
    EXPECT_EQ(doc_.Groups[2]->DurNumber, 30);

    LoadFrom("[Settings]\nLptPort1=none\n");
    EXPECT_EQ(doc_.LptPort[0], "none");
    EXPECT_EQ(doc_.LptAddress, 0x3BC);  // unparsable text leaves the address alone
}

TEST_F(CTarnwickDocTest, SaveWritesEveryValueInOrderAndFormat) {
    ASSERT_TRUE(store_.Load());
    doc_.AddCwGroup("extra");
    ASSERT_TRUE(doc_.SaveSettings(store_));
    const std::vector<std::string> names = store_.Names(kSettingsSection);
    const std::vector<std::string> head = {"Mode",
                                           "Contest",
                                           "MyCall",
                                           "MyGrid",
                                           "HisCall",
                                           "ComPort1",
                                           "ComPort2",
                                           "ComPort3",
                                           "LptPort1",
                                           "PortMatrix[0][0]",
                                           "PortMatrix[0][1]",
                                           "PortMatrix[0][2]",
                                           "PortMatrix[1][0]"};
    // With ComDevice1..8, TrxHost, TrxPort, WaveOutName, Sidetone, SidetoneFreq and TxWatchdog.
    ASSERT_EQ(names.size(), 49u + 14 + 5 * 9);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + head.size()), head);
    const std::vector<std::string> middle = {"PortMatrix[4][2]",
                                             "CWPriority",
                                             "TXDelay",
                                             "TXFirst",
                                             "CWInd",
                                             "CWRate",
                                             "Report",
                                             "FilterFreq",
                                             "FilterWidth",
                                             "FilterBottomWidth",
                                             "DisplayGain",
                                             "DisplayCont",
                                             "DisplayAvg",
                                             "DotWgt",
                                             "DashWgt",
                                             "LetterSp",
                                             "WaveOut",
                                             "UseTRX",
                                             "SO2R",
                                             "ManualSend",
                                             "ComDevice1",
                                             "ComDevice2",
                                             "ComDevice3",
                                             "ComDevice4",
                                             "ComDevice5",
                                             "ComDevice6",
                                             "ComDevice7",
                                             "ComDevice8",
                                             "TrxHost",
                                             "TrxPort",
                                             "WaveOutName",
                                             "Sidetone",
                                             "SidetoneFreq",
                                             "TxWatchdog",
                                             "NCWTitles",
                                             "NPhTitles",
                                             "ActivCWContStr",
                                             "ActivCWSeqStr",
                                             "ActivPhContStr",
                                             "ActivPhSeqStr",
                                             "DurNumber00",
                                             "Title00",
                                             "Message00-00"};
    EXPECT_EQ(std::vector<std::string>(names.begin() + 23, names.begin() + 23 + middle.size()),
              middle);
    EXPECT_EQ(names.back(), "Message04-06");
    EXPECT_EQ(store_.GetString(kSettingsSection, "TXDelay"), "0.200000");
    EXPECT_EQ(store_.GetString(kSettingsSection, "ActivPhSeqStr"), "3");
    EXPECT_EQ(store_.GetString(kSettingsSection, "Title02"), "extra");
    EXPECT_EQ(store_.GetString(kSettingsSection, "Message03-06"), "");
}

TEST_F(CTarnwickDocTest, EverySettingSurvivesSaveAndLoad) {
    // Every value gets a distinct non-default text of its own kind; loading it and saving again
    // must give back each text exactly. Counts and default positions are covered elsewhere.
    SettingsStore defaults(dir_.File("defaults.conf"));
    ASSERT_TRUE(defaults.Load());
    ASSERT_TRUE(doc_.SaveSettings(defaults));
    ASSERT_TRUE(store_.Load());
    int n = 0;
    for (const std::string& name : defaults.Names(kSettingsSection)) {
        const std::string old = defaults.GetString(kSettingsSection, name);
        std::string value = old;
        if (name.rfind("Activ", 0) == 0 || name.rfind("N", 0) == 0) {
            // structural: kept
        } else if (old.find('.') != std::string::npos) {
            value = std::to_string(++n) + ".500000";
        } else if (!old.empty() && (std::isdigit(old[0]) || old[0] == '-')) {
            value = std::to_string(++n);
        } else {
            value = "CQ " + std::to_string(++n) + " = \xE4\xFF\\n\nx  ";
        }
        store_.WriteString(kSettingsSection, name, value);
    }
    doc_.LoadSettings(store_);
    EXPECT_EQ(doc_.LptAddress, 0x9);  // LptPort1 is the 9th value

    SettingsStore saved(dir_.File("saved.conf"));
    ASSERT_TRUE(saved.Load());
    ASSERT_TRUE(doc_.SaveSettings(saved));
    SettingsStore reread(saved.Path());
    ASSERT_TRUE(reread.Load());
    const auto names = store_.Names(kSettingsSection);
    EXPECT_EQ(reread.Names(kSettingsSection), names);
    for (const std::string& name : names) {
        EXPECT_EQ(reread.GetString(kSettingsSection, name),
                  store_.GetString(kSettingsSection, name))
            << name;
    }
}

TEST_F(CTarnwickDocTest, ThreeDigitPositionsFromGroup100On) {
    ASSERT_TRUE(store_.Load());
    while (doc_.AddPhoneGroup("p")) {
    }
    ASSERT_EQ(doc_.Groups.size(), 101u);
    doc_.Groups[100]->Title = "last";
    doc_.Groups[100]->Messages[6] = "end";
    ASSERT_TRUE(doc_.SaveSettings(store_));
    EXPECT_EQ(store_.GetString(kSettingsSection, "Title100"), "last");
    EXPECT_EQ(store_.GetString(kSettingsSection, "Message100-06"), "end");
    EXPECT_EQ(store_.GetString(kSettingsSection, "DurNumber100"), "30");

    CTarnwickDoc copy;
    copy.OnNewDocument();
    copy.LoadSettings(store_);
    ASSERT_EQ(copy.Groups.size(), 101u);
    EXPECT_EQ(copy.Groups[100]->Title, "last");
}

TEST_F(CTarnwickDocTest, StoreGivenAtConstructionIsLoadedAndWrittenBackKeepingForeignLines) {
    const std::string path = dir_.File("owned.conf");
    test::ScratchDir::Write(path, "; mine\n[Settings]\nFuture=1\nMyCall=G4ABC\n[Other]\nx=y\n");
    {
        SettingsStore store(path);
        CTarnwickDoc doc(&store);
        ASSERT_TRUE(doc.OnNewDocument());
        EXPECT_EQ(doc.MyCall, "G4ABC");
        doc.HisCall = "PA0XYZ";
    }
    const std::string file = test::ScratchDir::Read(path);
    EXPECT_EQ(file.rfind("; mine\n[Settings]\nFuture=1\nMyCall=G4ABC\nMode=0\n", 0), 0u);
    EXPECT_NE(file.find("HisCall=PA0XYZ\n"), std::string::npos);
    EXPECT_NE(file.find("\n[Other]\nx=y\n"), std::string::npos);

    // A document whose defaults were never set has nothing valid to save.
    {
        SettingsStore store(path);
        ASSERT_TRUE(store.Load());
        CTarnwickDoc unused(&store);
        EXPECT_FALSE(unused.Save());
    }
    EXPECT_EQ(test::ScratchDir::Read(path), file);
}

TEST_F(CTarnwickDocTest, JunkSettingsNeverBreakTheDocument) {
    std::string junk = "[Settings]\nNCWTitles=99999999999\nNPhTitles=0x7fffffff\n";
    junk += "ActivPhSeqStr=-2147483648\nTitle00=\x01\x02\xFF\nMessage00-00";
    for (int i = 0; i < 3000; ++i) {
        junk += static_cast<char>((i * 131) % 251);
    }
    LoadFrom(junk);
    ExpectValidGroupList(doc_);
    EXPECT_EQ(doc_.Groups.size(), 101u);
    EXPECT_TRUE(doc_.SaveSettings(store_));
}

}  // namespace
}  // namespace tarnwick
