#include "trx/RigProbe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "platform/BackgroundJob.h"
#include "support/RigDaemon.h"

namespace tarnwick {
namespace {

using test::RigDaemon;

std::optional<RigProbeResult> AwaitResult(BackgroundJob<RigProbeResult>& job) {
    // Generous for a loaded machine: the probe's own bounds end it long before.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (job.Running() && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return job.Take();
}

TEST(RigProbeTest, ReadsTheRadiosFrequencyOrSaysWhyNot) {
    RigDaemon daemon;
    ASSERT_TRUE(daemon.Running());
    ASSERT_NE(daemon.Ask("F 14074000").find("RPRT 0"), std::string::npos);
    const RigProbeResult on = ProbeRigLink("127.0.0.1", daemon.Port(), 2000);
    EXPECT_TRUE(on.ok);
    EXPECT_EQ(on.frequencyHz, 14074000.0);
    EXPECT_EQ(on.text, "14.074000 MHz");

    const int nobody = test::FreeLoopbackPort();
    const RigProbeResult off = ProbeRigLink("127.0.0.1", nobody, 2000);
    EXPECT_FALSE(off.ok);
    EXPECT_EQ(off.text,
              "Cannot connect to the rig-control daemon at 127.0.0.1:" + std::to_string(nobody));
    EXPECT_FALSE(ProbeRigLink("", daemon.Port(), 2000).ok);
}

// A daemon that takes the connection but never answers: the probe gives up after its time-out,
// off the caller's thread, and the caller can drop it while it waits.
TEST(RigProbeTest, ASilentDaemonHoldsOnlyTheProbesOwnThread) {
    RigDaemon daemon;
    ASSERT_TRUE(daemon.Running());
    daemon.Stop();
    const int port = daemon.Port();

    auto abandoned = std::make_unique<BackgroundJob<RigProbeResult>>();
    ASSERT_TRUE(abandoned->Start([port] { return ProbeRigLink("127.0.0.1", port, 5000); }));
    EXPECT_TRUE(abandoned->Running());
    EXPECT_FALSE(abandoned->Start([] { return RigProbeResult{}; })) << "one probe at a time";
    const auto before = std::chrono::steady_clock::now();
    abandoned.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(2500));

    BackgroundJob<RigProbeResult> job;
    ASSERT_TRUE(job.Start([port] { return ProbeRigLink("127.0.0.1", port, 300); }));
    const std::optional<RigProbeResult> silent = AwaitResult(job);
    ASSERT_TRUE(silent.has_value());
    EXPECT_FALSE(silent->ok);
    EXPECT_EQ(silent->text, "The rig-control daemon at 127.0.0.1:" + std::to_string(port) +
                                " gave no frequency: No answer in time from the rig-control "
                                "daemon or the radio");
    EXPECT_FALSE(job.Take().has_value()) << "a result is taken once";
    daemon.Continue();
}

}  // namespace
}  // namespace tarnwick
