#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "model/CTarnwickDoc.h"
#include "platform/SoundDevices.h"
#include "platform/TimeBase.h"
#include "send/NoticeQueue.h"
#include "send/TransmitEngine.h"
#include "support/EngineDriver.h"
#include "support/FakeKeyingHardware.h"
#include "support/PulseTestServer.h"
#include "support/RecordingPrompter.h"
#include "support/ScopedEnvironment.h"
#include "support/ScratchDir.h"
#include "support/WaveFileBuilder.h"

namespace tarnwick {
namespace {

using namespace std::chrono_literals;
using test::EngineDriver;
using test::SendOutcome;

// A phone message plays on a private sound server that freezes mid-playback (SIGSTOP), as a
// hung server would: the stop drops PTT at once, and neither the stop nor the release of the
// devices waits for the server. PTT is on the fake serial port.
TEST(TransmitEngineSoundTest, AStopDropsPttAndReturnsWhileTheSoundServerIsFrozen) {
    if (!test::PulseTestServer::Installed()) {
        GTEST_SKIP() << "pulseaudio and parecord (Debian: pulseaudio pulseaudio-utils) are not "
                        "installed";
    }
    test::PulseTestServer server;
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    server.UseInThisProcess();
    test::ScopedEnvironment pcm;
    pcm.Set(SoundDevices::kDefaultOverride, "pulse");
    const std::string wave = server.Dir() + "/tone.wav";
    ASSERT_TRUE(test::ScratchDir::Write(
        wave,
        test::WaveFileBuilder::Pcm16(1, 11025, test::WaveFileBuilder::Tone(700, 20, 11025, 8000))));

    CTarnwickDoc doc;
    doc.TXDelay = 0;
    doc.ComPort[0] = 1;
    doc.PortMatrix[0][0] = 1;  // PTT on RTS
    NoticeQueue view;
    test::RecordingPrompter prompter;
    test::FakeKeyingHardware hardware;
    TransmitEngine engine(doc, view, prompter, RealTime(), hardware);
    Event stop(ResetMode::Manual);
    ASSERT_TRUE(engine.Send("{" + wave + "}[I]"));
    std::promise<SendOutcome> ended;
    std::thread window([&] {
        EngineDriver driver(engine, view, RealTime());
        ended.set_value(driver.RunUntilDone(&stop));
    });
    std::this_thread::sleep_for(1s);  // playing by now
    server.Freeze();
    std::this_thread::sleep_for(200ms);  // the playback runs into the frozen server
    stop.Set();
    std::future<SendOutcome> outcome = ended.get_future();
    const bool returned = outcome.wait_for(10s) == std::future_status::ready;
    const std::vector<std::string> log = hardware.Log();
    server.Thaw();
    window.join();

    EXPECT_TRUE(returned) << "the stop waited for the frozen sound server";
    EXPECT_EQ(outcome.get(), SendOutcome::Stopped);
    // Taken while the server was still frozen: PTT had risen and was down again.
    std::vector<std::string> rts;
    for (const std::string& e : log) {
        if (e.find(" rts ") != std::string::npos) {
            rts.push_back(e);
        }
    }
    ASSERT_FALSE(rts.empty());
    EXPECT_NE(std::find(rts.begin(), rts.end(), "/dev/ttyS0 rts on"), rts.end());
    EXPECT_EQ(rts.back(), "/dev/ttyS0 rts off");
    EXPECT_TRUE(prompter.Texts().empty());
}

}  // namespace
}  // namespace tarnwick
