#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/AlsaPcm.h"
#include "platform/SoundDevices.h"
#include "platform/TimeBase.h"
#include "send/WavePlayer.h"
#include "support/RecordingPrompter.h"
#include "support/ScopedEnvironment.h"
#include "support/ScratchDir.h"
#include "support/WaveFileBuilder.h"

namespace tarnwick {
namespace {

using Clock = std::chrono::steady_clock;

class WavePlayerDevicesTest : public ::testing::Test {
protected:
    test::ScratchDir dir_;
    test::ScopedSoundClientState clientState_{dir_.Path()};
};

TEST_F(WavePlayerDevicesTest, TheDefaultDeviceCanBeRedirected) {
    unsetenv(SoundDevices::kDefaultOverride);
    EXPECT_EQ(SoundDevices::NameFor(-1, PcmDirection::Playback), "default");

    const std::string out = dir_.File("out.raw");
    setenv(SoundDevices::kDefaultOverride, ("file:FILE=" + out + ",FORMAT=raw").c_str(), 1);
    test::RecordingPrompter prompter;
    WavePlayer player(prompter, RealTime());
    ASSERT_TRUE(test::ScratchDir::Write(dir_.File("a.wav"),
                                        test::WaveFileBuilder::Pcm16(1, 8000, {1, -1, 2, -2})));
    const bool played = player.Play(dir_.File("a.wav"), -1) && player.WaitDone();
    unsetenv(SoundDevices::kDefaultOverride);
    EXPECT_TRUE(played);
    EXPECT_EQ(test::ScratchDir::Read(out), test::WaveFileBuilder::Samples16({1, -1, 2, -2}));
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{});
}

TEST_F(WavePlayerDevicesTest, FailuresAreSortedForTheOperatorsMessages) {
    const PcmFormat cd{44100, 2, 16, 4};
    const int missing = AlsaPcm::Query("no_such_pcm_for_this_test", PcmDirection::Playback, cd);
    EXPECT_EQ(AlsaPcm::FaultOf(missing, false), PcmFault::DeviceMissing)
        << AlsaPcm::ErrorText(missing);
    EXPECT_EQ(AlsaPcm::Query("null", PcmDirection::Playback, cd), 0);

    AlsaPcm pcm;
    ASSERT_EQ(pcm.Open("null", PcmDirection::Playback, true), 0);
    const PcmFormat twelveBit{11025, 1, 12, 2};
    EXPECT_LT(pcm.Configure(twelveBit, 3, 1024), 0);
    EXPECT_EQ(pcm.LastFault(), PcmFault::FormatRefused);
    ASSERT_EQ(pcm.Configure({11025, 1, 16, 2}, 3, 2048), 0);
    EXPECT_EQ(pcm.LastFault(), PcmFault::None);
    EXPECT_EQ(pcm.PeriodFrames(), 2048u);
    EXPECT_EQ(pcm.BufferFrames(), 3u * 2048u);
}

TEST_F(WavePlayerDevicesTest, InterruptEndsWaitsAtOnceFromAnotherThread) {
    AlsaPcm pcm;
    ASSERT_EQ(pcm.Open("null", PcmDirection::Capture, true), 0);
    ASSERT_EQ(pcm.Configure({11025, 1, 16, 2}, 3, 2048), 0);
    const auto start = Clock::now();
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pcm.Interrupt();
    });
    const bool slept = pcm.Pause(20000);
    stopper.join();
    EXPECT_FALSE(slept);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(pcm.Wait(20000), PcmWait::Interrupted) << "an interrupt lasts until the next Open";
    ASSERT_EQ(pcm.Open("null", PcmDirection::Capture, true), 0);
    EXPECT_TRUE(pcm.Pause(1));
}

}  // namespace
}  // namespace tarnwick
