#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/RealtimeBrokerBus.h"
#include "support/ScratchDir.h"

extern char** environ;

namespace tarnwick {
namespace {

using test::ChildProcess;
using test::RealtimeBrokerBus;
using test::ScratchDir;

class RealtimeBrokerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!RealtimeBrokerBus::Usable(&why)) {
            GTEST_SKIP() << why;
        }
        ASSERT_TRUE(bus_.Start(&why)) << why;
    }

    // Keys TEXT with the stored default priority as an ordinary user on the private bus, as
    // the keyer runs on a desktop; returns what the program said on stderr.
    std::string KeyAsOrdinaryUser(const std::string& text) {
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            if (entry.rfind("DBUS_SYSTEM_BUS_ADDRESS=", 0) != 0 &&
                entry.rfind("TARNWICK_CONFIG=", 0) != 0) {
                env.push_back(entry);
            }
        }
        env.push_back("DBUS_SYSTEM_BUS_ADDRESS=" + bus_.Address());
        env.push_back("TARNWICK_CONFIG=/nonexistent/tarnwick-test.conf");
        ChildProcess cli;
        std::string why;
        const std::string err = dir_.File("stderr");
        EXPECT_TRUE(cli.Start({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                               TARNWICK_CLI_PATH, "key", "--trace", text},
                              env, dir_.File("stdout"), err, &why))
            << why;
        // Signal 0 sends nothing: this only waits for the end (killing it after a minute).
        const int status = cli.End(0, 60000);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "status " << status << ": " << ScratchDir::Read(err);
        return ScratchDir::Read(err);
    }

    static size_t Count(const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
            ++n;
        }
        return n;
    }

    RealtimeBrokerBus bus_;
    ScratchDir dir_;
};

TEST_F(RealtimeBrokerTest, AnOrdinaryUserKeysAtRealTimeFromTheBroker) {
    const std::string said = KeyAsOrdinaryUser("E");
    // The broker's highest priority (20) is below the default's own 40: clamped to it.
    EXPECT_NE(said.find("keying thread: SCHED_RR 20 from the real-time broker"), std::string::npos)
        << said;
    EXPECT_EQ(Count(said, "without real-time priority"), 0u) << said;
}

TEST_F(RealtimeBrokerTest, ARefusalKeysAtNiceWithOneNotice) {
    bus_.SetGranting(false);
    const std::string said = KeyAsOrdinaryUser("E");
    EXPECT_EQ(Count(said, "without real-time priority"), 1u) << said;
    EXPECT_NE(said.find("the real-time broker refused"), std::string::npos) << said;
    EXPECT_NE(said.find("keying thread: nice"), std::string::npos) << said;
}

}  // namespace
}  // namespace tarnwick
