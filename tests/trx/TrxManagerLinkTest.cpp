#include <gtest/gtest.h>

#include <chrono>

#include "trx/RigStatus.h"
#include "trx/TrxLinkFixture.h"

namespace tarnwick {
namespace {

using test::ErrorBox;
using test::TrxLinkFixture;

using TrxManagerLinkTest = TrxLinkFixture;

TEST_F(TrxManagerLinkTest, ConnectsReadsTheRadioAndKeysPtt) {
    ASSERT_TRUE(link->Connect(42));
    EXPECT_TRUE(link->IsConnected());
    EXPECT_TRUE(link->IsCatActive());
    EXPECT_EQ(Sent("f").size(), 1u);

    link->SetPtt(true);
    EXPECT_NE(Ptt().find("PTT: 1\n"), std::string::npos);
    link->SetPtt(false);
    EXPECT_NE(Ptt().find("PTT: 0\n"), std::string::npos);
    EXPECT_EQ(Sent("T"), (std::vector<std::string>{"1||", "0||"}));
    EXPECT_TRUE(prompter.Texts().empty());
}

TEST_F(TrxManagerLinkTest, TextGoesOverAfterTheSpeedIsSetAndReadBack) {
    doc.CWRate = 22;
    ASSERT_TRUE(link->Connect(42));
    link->SendCwText("cq test de pa3xyz");
    link->SendCwChar('e');
    EXPECT_EQ(Sent("L"), (std::vector<std::string>{"KEYSPD|22|"}));
    EXPECT_EQ(Sent("l"), (std::vector<std::string>{"KEYSPD||"}));
    EXPECT_EQ(Sent("b"), (std::vector<std::string>{" CQ TEST DE PA3XYZ||", " E||"}));
    EXPECT_NE(daemon->Ask("l KEYSPD").find("\n22\n"), std::string::npos);

    // Speeds outside the keyer's range are sent at the nearest limit.
    doc.CWRate = 0;
    link->SendCwText("E");
    EXPECT_TRUE(link->SetData(19, 9999, 0.0, ""));
    EXPECT_EQ(Sent("L"), (std::vector<std::string>{"KEYSPD|22|", "KEYSPD|1|", "KEYSPD|50|"}));
    EXPECT_TRUE(prompter.Texts().empty());
}

TEST_F(TrxManagerLinkTest, InjectionAttemptsReachTheRadioAsPlainMorse) {
    ASSERT_TRUE(link->Connect(42));
    for (const char* text :
         {"CQ\nT 1", "\\stop_morse", "CQ;T 1\n+T 1", "\r\n\\set_ptt 1\n", "+\\send_morse X\n"}) {
        link->SendCwText(text);
    }
    link->SendCwText(std::string(200, 'e'));
    EXPECT_NE(Ptt().find("PTT: 0\n"), std::string::npos);
    EXPECT_TRUE(Sent("T").empty());
    for (const test::LoggedCommand& c : daemon->Received()) {
        EXPECT_TRUE(c.command == "L" || c.command == "l" || c.command == "b" || c.command == "t")
            << c.command;
    }
    const std::vector<std::string> morse = Sent("b");
    const std::vector<std::string> firstFive(morse.begin(), morse.begin() + 5);
    EXPECT_EQ(firstFive, (std::vector<std::string>{" CQT 1||", " STOPMORSE||", " CQT 1+T 1||",
                                                   " SETPTT 1||", " +SENDMORSE X||"}));
    EXPECT_EQ(morse.size(), 5u + 9u);  // 200 characters in eight pieces of 24 and one of 8
    EXPECT_EQ(morse.back(), " EEEEEEEE||");
    EXPECT_TRUE(prompter.Texts().empty());
}

TEST_F(TrxManagerLinkTest, CallSignAndLocalCodesSendNothing) {
    ASSERT_TRUE(link->Connect(42));
    const size_t before = daemon->Received().size();
    link->SetCallSign("TEST");
    EXPECT_TRUE(link->SetData(6, 0, 0.0, ""));
    EXPECT_TRUE(link->SetData(30, 7, 0.0, ""));
    EXPECT_TRUE(link->SetData(99, 1, 0.5, "X"));
    link->StopMorse();  // the dummy radio cannot stop Morse: best effort, no box
    EXPECT_TRUE(link->IsCatActive());
    EXPECT_EQ(daemon->Received().size(), before + 2);  // stop_morse and the frequency read
    EXPECT_TRUE(prompter.Texts().empty());
}

TEST_F(TrxManagerLinkTest, DisconnectDropsPttAndSilencesTheLink) {
    ASSERT_TRUE(link->Connect(42));
    link->SetPtt(true);
    link->Disconnect();
    EXPECT_FALSE(link->IsConnected());
    EXPECT_NE(Ptt().find("PTT: 0\n"), std::string::npos);

    const size_t before = daemon->Received().size();
    link->SetPtt(true);
    EXPECT_FALSE(link->IsCatActive());
    EXPECT_FALSE(link->SetData(19, 20, 0.0, ""));
    EXPECT_FALSE(link->SetData(20, 20, 0.0, "CQ"));
    link->StopMorse();
    link->Disconnect();
    EXPECT_EQ(daemon->Received().size(), before);
    EXPECT_TRUE(prompter.Texts().empty());

    // An owner that forgets to disconnect still leaves the transmitter unkeyed.
    ASSERT_TRUE(link->Connect(42));
    link->SetPtt(true);
    EXPECT_NE(Ptt().find("PTT: 1\n"), std::string::npos);
    link.reset();
    EXPECT_NE(Ptt().find("PTT: 0\n"), std::string::npos);
}

TEST_F(TrxManagerLinkTest, AbsentDaemonIsReportedByConnectAloneAndFast) {
    const int ports[] = {test::FreeLoopbackPort(), 0, -1, 70000};
    for (const int port : ports) {
        doc.TrxPort = port;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(link->Connect(42)) << port;
        // Refused at once: no wait for the connection's time-out.
        EXPECT_LT(std::chrono::steady_clock::now() - start,
                  std::chrono::milliseconds(kTrxConnectTimeoutMs));
        EXPECT_FALSE(link->IsConnected());
        link->SetPtt(true);
        EXPECT_FALSE(link->IsCatActive());
    }
    doc.TrxPort = daemon->Port();
    doc.TrxHost = "";
    EXPECT_FALSE(link->Connect(42));
    EXPECT_TRUE(prompter.Texts().empty());
}

class TrxRefusingRadioTest : public TrxLinkFixture {
protected:
    TrxRefusingRadioTest() : TrxLinkFixture(/*pttByRig=*/false) {}
};

TEST_F(TrxRefusingRadioTest, ARefusedCommandShowsTheBoxAndKeepsTheLink) {
    ASSERT_TRUE(link->Connect(42));
    link->SetPtt(true);
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{ErrorBox(kRigInvalidArgument, "Invalid parameter")}));
    // The daemon answered, so the stream is still in step.
    EXPECT_TRUE(link->IsCatActive());
    link->Disconnect();  // its PTT drop is refused too: one more box, no hang
    EXPECT_EQ(prompter.Texts().size(), 2u);
}

}  // namespace
}  // namespace tarnwick
