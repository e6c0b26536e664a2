#include <gtest/gtest.h>

#include <string>

#include "trx/RigReplyParser.h"

namespace tarnwick {
namespace {

std::vector<RigReply> FeedAll(RigReplyParser& parser, std::string_view bytes) {
    parser.Feed(bytes);
    std::vector<RigReply> out;
    while (std::optional<RigReply> r = parser.Next()) {
        out.push_back(std::move(*r));
    }
    return out;
}

TEST(RigReplyParserTest, RepliesToTheCommandsTheLinkSends) {
    RigReplyParser parser;
    const auto replies = FeedAll(parser,
                                 "get_freq:\nFrequency: 145000000\nRPRT 0\n"
                                 "set_ptt: 1\nRPRT 0\n"
                                 "get_level: KEYSPD\n22\nRPRT 0\n"
                                 "send_morse:  CQ TEST\nRPRT 0\n"
                                 "stop_morse:\nRPRT -11\n");
    ASSERT_EQ(replies.size(), 5u);
    EXPECT_EQ(replies[0].command, "get_freq");
    EXPECT_EQ(replies[0].Number("Frequency"), 145e6);
    EXPECT_EQ(replies[1].command, "set_ptt");
    EXPECT_EQ(replies[1].echoArgs, "1");
    EXPECT_TRUE(replies[1].fields.empty());
    // A level read answers with a bare value line.
    EXPECT_EQ(replies[2].echoArgs, "KEYSPD");
    EXPECT_EQ(replies[2].Number(""), 22.0);
    EXPECT_EQ(replies[2].Find("KEYSPD"), nullptr);
    EXPECT_EQ(replies[3].command, "send_morse");
    EXPECT_EQ(replies[4].status, -11);
    for (const RigReply& r : replies) {
        EXPECT_FALSE(r.truncated);
    }
    EXPECT_FALSE(parser.HasPartial());
}

TEST(RigReplyParserTest, BlocksArriveInAnyCutsAndLineEndings) {
    const std::string stream = "\r\nget_ptt:\r\nPTT: 1\r\n\r\nRPRT 0\r\nset_ptt: 0\nRPRT -1";
    RigReplyParser parser;
    std::vector<RigReply> replies;
    for (const char c : stream) {
        auto more = FeedAll(parser, std::string_view(&c, 1));
        replies.insert(replies.end(), more.begin(), more.end());
    }
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].Number("PTT"), 1.0);
    EXPECT_EQ(replies[0].fields.size(), 1u);  // blank lines are not values
    EXPECT_TRUE(parser.HasPartial());         // the last RPRT line has no newline yet
    replies = FeedAll(parser, "\n");
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].status, -1);
    EXPECT_FALSE(parser.HasPartial());
}

TEST(RigReplyParserTest, BlocksWithoutEchoOrWithoutReport) {
    RigReplyParser parser;
    // A command that answers without an RPRT line runs into the next block; a value line whose
    // name is not a command name is never taken for the echo.
    const auto replies = FeedAll(parser, "ChkVFO: 0\nget_freq:\nFrequency: 7000000\nRPRT 0\n");
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].command, "");
    ASSERT_EQ(replies[0].fields.size(), 3u);
    EXPECT_EQ(replies[0].fields[1].name, "get_freq");
    EXPECT_EQ(replies[0].Number("Frequency"), 7e6);
    EXPECT_TRUE(FeedAll(parser, "RPRT 0\n")[0].fields.empty());
}

TEST(RigReplyParserTest, UnreadableReportsAndNumbers) {
    RigReplyParser parser;
    const auto replies = FeedAll(parser,
                                 "RPRT x\nRPRT\nRPRT 99999999999\nRPRT -5 \n"
                                 "RPRTX 0\nA: nan\nB: inf\nC: 1.5e3\nD:\nE: 12abc\nRPRT 0\n");
    ASSERT_EQ(replies.size(), 5u);
    EXPECT_EQ(replies[0].status, kRigProtocolError);
    EXPECT_EQ(replies[1].status, kRigProtocolError);
    EXPECT_EQ(replies[2].status, kRigProtocolError);  // beyond int is not a status
    EXPECT_EQ(replies[3].status, kRigTimedOut);
    const RigReply& values = replies[4];
    ASSERT_NE(values.Find(""), nullptr);  // only "RPRT" as a word closes a block
    EXPECT_EQ(*values.Find(""), "RPRTX 0");
    EXPECT_FALSE(values.Number("A"));
    EXPECT_FALSE(values.Number("B"));
    EXPECT_EQ(values.Number("C"), 1500.0);
    EXPECT_FALSE(values.Number("D"));
    EXPECT_FALSE(values.Number("E"));
    EXPECT_FALSE(values.Number("missing"));
}

TEST(RigReplyParserTest, FloodsCostBoundedMemory) {
    RigReplyParser parser;
    std::string longLine(100'000, 'x');
    auto replies = FeedAll(parser, "get_freq:\nFrequency: " + longLine + "\nRPRT 0\n");
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_TRUE(replies[0].truncated);
    EXPECT_LE(replies[0].fields[0].value.size(), RigReplyParser::kMaxLineBytes);

    std::string manyFields;
    for (int i = 0; i < 1000; ++i) {
        manyFields += "V" + std::to_string(i) + ": " + std::to_string(i) + "\n";
    }
    replies = FeedAll(parser, manyFields + "RPRT 0\n");
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].fields.size(), RigReplyParser::kMaxFields);
    EXPECT_TRUE(replies[0].truncated);

    std::string manyBlocks;
    for (int i = 0; i < 100; ++i) {
        manyBlocks += "set_ptt: 1\nRPRT 0\n";
    }
    parser.Feed(manyBlocks);
    EXPECT_EQ(parser.Dropped(), 100 - RigReplyParser::kMaxQueuedReplies);
    parser.Reset();
    EXPECT_FALSE(parser.Next());
    EXPECT_EQ(parser.Dropped(), 0u);

    // Bytes the protocol never sends are just characters of a value.
    replies = FeedAll(parser, std::string("get_ptt:\nPTT: \0\xff\x01\nRPRT 0\n", 26));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_FALSE(replies[0].Number("PTT"));
}

}  // namespace
}  // namespace tarnwick
