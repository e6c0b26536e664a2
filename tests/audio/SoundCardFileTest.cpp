#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "audio/SoundCard.h"
#include "platform/AlsaPcm.h"
#include "platform/SoundDevices.h"
#include "platform/TimeBase.h"
#include "platform/VirtualTimeBase.h"
#include "support/AlsaTestConfig.h"
#include "support/ForkedTest.h"
#include "support/RecordingPrompter.h"
#include "support/ScratchDir.h"
#include "support/WaveFileBuilder.h"

namespace tarnwick {
namespace {

using test::AlsaTestConfig;
using test::RecordingPrompter;
using test::RunForked;
using test::ScratchDir;
using Texts = std::vector<std::string>;

constexpr const char* kQuestion = "Cannot open soundcard, try again?";

WaveFormat Format(uint16_t channels, uint16_t bits) {
    const auto align = static_cast<uint16_t>(channels * bits / 8);
    return {1, channels, 11025, 11025u * align, align, bits, 0};
}

std::string Bytes(const std::vector<uint8_t>& b) {
    return std::string(b.begin(), b.end());
}

// Answers Retry to the first question and Cancel to every later one, noting when each came.
class RetryOncePrompter : public Prompter {
public:
    explicit RetryOncePrompter(TimeBase& time) : time_(time) {}
    PromptAnswer Ask(const std::string& text, PromptButtons, Event*) override {
        texts.push_back(text);
        askedAtMs.push_back(time_.NowNs() / kNsPerMs);
        return texts.size() == 1 ? PromptAnswer::Retry : PromptAnswer::Cancel;
    }
    Texts texts;
    std::vector<int64_t> askedAtMs;

private:
    TimeBase& time_;
};

// The sound devices of these tests are ALSA file PCMs (audio from and to files, as fast as it
// comes), a PCM for a card that is not there, one that refuses linear samples and one that only
// one handle may hold. They are defined in a configuration of the test's own, so each test runs
// in a fork.
class SoundCardFileTest : public ::testing::Test {
protected:
    std::string In() const { return dir_.File("in.raw"); }
    std::string Out() const { return dir_.File("out.raw"); }

    // In the forked child: makes `pcm` the system default, device -1.
    void UseDevice(const std::string& pcm) {
        const std::string conf = dir_.File("test.conf");
        ASSERT_TRUE(ScratchDir::Write(
            conf,
            FilePcm("test_in", dir_.File("captured.raw"), " infile \"" + In() + "\"") +
                FilePcm("test_out", Out(), AlsaTestConfig::Hint("Test Output")) +
                FilePcm("test_other", dir_.File("other.raw"), AlsaTestConfig::Hint("Other Card")) +
                "pcm.test_gone { type hw card 9 device 0 }\n"
                "pcm.test_mulaw { type mulaw slave { pcm null format S16_LE } }\n" +
                AlsaTestConfig::ExclusivePcm("test_exclusive", dir_.File("exclusive.lock"),
                                             "Exclusive Card")));
        AlsaTestConfig::Use(conf);
        setenv(SoundDevices::kDefaultOverride, pcm.c_str(), 1);
    }

    // The number of `pcm` in the device list, or -1.
    static int Listed(const std::string& pcm) {
        for (const SoundDevice& d : SoundDevices::List()) {
            if (d.name == pcm) {
                return d.number;
            }
        }
        return -1;
    }

    static std::string FilePcm(const std::string& name, const std::string& file,
                               const std::string& more) {
        return "pcm." + name + " { type file slave.pcm null file \"" + file + "\" format raw" +
               more + " }\n";
    }

    ScratchDir dir_{"tarnwick-soundcard"};
};

TEST_F(SoundCardFileTest, CaptureDeliversTheDevicesSamplesExactlyUpToTheFrameLimit) {
    RunForked([&] {
        UseDevice("test_in");
        const std::vector<int16_t> captured{0,    1,     -1,     32767, -32768, 256,
                                            -256, 12345, -12345, 2,     3,      4};
        ASSERT_TRUE(ScratchDir::Write(In(), test::WaveFileBuilder::Samples16(captured)));
        RecordingPrompter prompter;
        SoundCard card(prompter, RealTime());
        ASSERT_EQ(card.OpenInput(Format(1, 16), -1, 6, 12), 0);
        std::vector<double> got(12, 99.0);
        // Pieces that divide the buffer, crossing from the first buffer into the second.
        EXPECT_EQ(card.Read(&got[0], 3), 3);
        EXPECT_EQ(card.Read(&got[3], 3), 3);
        EXPECT_EQ(card.Read(&got[6], 2), 2);
        EXPECT_EQ(card.Read(&got[8], 2), 2);
        EXPECT_EQ(card.Read(&got[10], 2), 0) << "the frame limit closes the input";
        for (size_t i = 0; i < captured.size(); ++i) {
            EXPECT_EQ(got[i], captured[i]) << "sample " << i;
        }
        EXPECT_EQ(card.Read(got.data(), 2), -1);
        EXPECT_EQ(card.LastError(), 111);
        EXPECT_EQ(prompter.Texts(), Texts{});
    });
}

TEST_F(SoundCardFileTest, EightBitCaptureIsUnsignedAroundTheMiddle) {
    RunForked([&] {
        UseDevice("test_in");
        ASSERT_TRUE(ScratchDir::Write(In(), Bytes({0, 128, 255, 1, 127, 129, 64, 192})));
        RecordingPrompter prompter;
        SoundCard card(prompter, RealTime());
        ASSERT_EQ(card.OpenInput(Format(2, 8), -1, 2, 4), 0);
        std::vector<double> got(8);
        EXPECT_EQ(card.Read(&got[0], 2), 2);
        EXPECT_EQ(card.Read(&got[4], 2), 0);
        EXPECT_EQ(got, (std::vector<double>{-32768, 0, 32512, -32512, -256, 256, -16384, 16384}));
    });
}

TEST_F(SoundCardFileTest, PlaybackStoresTruncatedSamplesAndClipsOutOfRangeOnes) {
    RunForked([&] {
        UseDevice("test_out");
        RecordingPrompter prompter;
        SoundCard card(prompter, RealTime());
        ASSERT_EQ(card.OpenOutput(Format(1, 16), -1, 8, 0), 0);
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const std::vector<double> samples{40000, -40000,  1.9,      -1.9, 12345,
                                          -0.5,  32767.9, -32768.9, nan,  65536};
        // A full buffer in two pieces, then part of the next one, which plays when the output
        // closes. (More would underflow: this device plays everything at once.)
        EXPECT_EQ(card.Write(&samples[0], 4), 4);
        EXPECT_EQ(card.Write(&samples[4], 4), 4);
        EXPECT_EQ(card.Write(&samples[8], 2), 2);
        card.CloseOutput();
        EXPECT_EQ(card.LastError(), 0);
        EXPECT_EQ(ScratchDir::Read(Out()),
                  test::WaveFileBuilder::Samples16(
                      {32767, -32768, 1, -1, 12345, 0, 32767, -32768, 0, 32767}));
        EXPECT_EQ(card.Write(samples.data(), 2), -1);
        EXPECT_EQ(card.LastError(), 114);
    });
}

TEST_F(SoundCardFileTest, EightBitPlaybackIsUnsignedAndClipped) {
    RunForked([&] {
        UseDevice("test_out");
        RecordingPrompter prompter;
        SoundCard card(prompter, RealTime());
        ASSERT_EQ(card.OpenOutput(Format(2, 8), -1, 4, 0), 0);
        const std::vector<double> samples{-32768, 0, 32512, 32767, -1, 255.9, 40000, -40000};
        EXPECT_EQ(card.Write(samples.data(), 4), 4);
        EXPECT_EQ(card.Write(nullptr, 0), 0) << "no frames: flush and close";
        EXPECT_EQ(ScratchDir::Read(Out()), Bytes({0, 128, 255, 255, 127, 128, 255, 0}));
        EXPECT_EQ(card.Write(samples.data(), 1), -1);
        EXPECT_EQ(card.LastError(), 114);
    });
}

TEST_F(SoundCardFileTest, ReachingTheOutputFrameLimitPlaysOutAndCloses) {
    RunForked([&] {
        UseDevice("test_out");
        RecordingPrompter prompter;
        SoundCard card(prompter, RealTime());
        ASSERT_EQ(card.OpenOutput(Format(1, 16), -1, 4, 6), 0);
        const std::vector<double> samples{1, 2, 3, 4, 5, 6};
        EXPECT_EQ(card.Write(&samples[0], 4), 4);
        EXPECT_EQ(card.Write(&samples[4], 2), 0);
        EXPECT_EQ(card.LastError(), 0);
        EXPECT_EQ(ScratchDir::Read(Out()), test::WaveFileBuilder::Samples16({1, 2, 3, 4, 5, 6}));
        EXPECT_EQ(card.Write(samples.data(), 2), -1) << "closed";

        // The same object opens again, and closing with nothing written plays nothing.
        ASSERT_EQ(card.OpenOutput(Format(1, 16), -1, 4, 0), 0);
        EXPECT_EQ(card.Write(nullptr, 0), 0);
        EXPECT_EQ(card.WaitOutputDone(), 0);
        EXPECT_EQ(ScratchDir::Read(Out()), "");
    });
}

TEST_F(SoundCardFileTest, AbsentCaptureDeviceIsTriedFourTimesThenTheOperatorIsAsked) {
    RunForked([&] {
        UseDevice("test_gone");
        VirtualTimeBase time;
        RecordingPrompter prompter;
        SoundCard card(prompter, time);
        EXPECT_EQ(card.OpenInput(Format(1, 16), -1, 2048, 0), 2);
        EXPECT_EQ(card.LastError(), 2);
        EXPECT_EQ(prompter.Texts(), Texts{kQuestion});
        EXPECT_EQ(time.NowNs(), 600 * kNsPerMs) << "four attempts 200 ms apart";
        EXPECT_EQ(card.Read(nullptr, 0), -1);
        EXPECT_EQ(card.LastError(), 111) << "Cancel leaves the input closed";
        EXPECT_EQ(SoundCard::SoundErrorText(2), "Bad Device ID\nIs Soundcard Present?");

        VirtualTimeBase retryTime;
        RetryOncePrompter retrying(retryTime);
        SoundCard again(retrying, retryTime);
        EXPECT_EQ(again.OpenInput(Format(1, 16), -1, 2048, 0), 2);
        EXPECT_EQ(retrying.texts, (Texts{kQuestion, kQuestion}));
        // Retry waits 200 ms and starts another series: eight attempts in all.
        EXPECT_EQ(retrying.askedAtMs, (std::vector<int64_t>{600, 1400}));
    });
}

TEST_F(SoundCardFileTest, AbsentPlaybackDeviceFailsAtOnceWithoutAQuestion) {
    RunForked([&] {
        UseDevice("test_gone");
        VirtualTimeBase time;
        RecordingPrompter prompter;
        SoundCard card(prompter, time);
        EXPECT_EQ(card.OpenOutput(Format(1, 16), -1, 2048, 0), 2);
        EXPECT_EQ(time.NowNs(), 0);
        EXPECT_EQ(card.Write(nullptr, 0), -1);
        EXPECT_EQ(card.LastError(), 114);
        // A device number outside the list is no device either.
        EXPECT_EQ(card.OpenOutput(Format(1, 16), -2, 2048, 0), 2);
        EXPECT_EQ(prompter.Texts(), Texts{});
    });
}

TEST_F(SoundCardFileTest, AStopBeforeOpeningEndsTheRetriesAndAsksNothing) {
    RunForked([&] {
        UseDevice("test_gone");
        VirtualTimeBase time;
        RecordingPrompter prompter;
        SoundCard card(prompter, time);
        card.Interrupt();
        EXPECT_EQ(card.OpenInput(Format(1, 16), -1, 2048, 0), 2);
        EXPECT_EQ(prompter.Texts(), Texts{});
        EXPECT_EQ(time.NowNs(), 0);
        card.ClearInterrupt();
        EXPECT_EQ(card.OpenInput(Format(1, 16), -1, 2048, 0), 2);
        EXPECT_EQ(prompter.Texts(), Texts{kQuestion});
    });
}

TEST_F(SoundCardFileTest, FormatsThatCannotBeTakenGiveTheFormatCode) {
    RunForked([&] {
        UseDevice("test_mulaw");
        VirtualTimeBase time;
        RecordingPrompter prompter;
        SoundCard card(prompter, time);
        EXPECT_EQ(card.OpenOutput(Format(1, 16), -1, 2048, 0), 32) << "the device refuses it";
        EXPECT_EQ(card.OpenInput(Format(1, 16), -1, 2048, 0), 32);
        EXPECT_EQ(prompter.Texts(), Texts{kQuestion});

        // Samples this class cannot convert are refused before any device is asked.
        UseDevice("test_out");
        WaveFormat twelveBit = Format(1, 16);
        twelveBit.BitsPerSample = 12;
        WaveFormat floats = Format(1, 16);
        floats.FormatTag = 3;
        EXPECT_EQ(card.OpenOutput(twelveBit, -1, 2048, 0), 32);
        EXPECT_EQ(card.OpenOutput(floats, -1, 2048, 0), 32);
        EXPECT_EQ(card.OpenInput(Format(0, 16), -1, 2048, 0), 32);
        EXPECT_EQ(card.OpenOutput(Format(1, 16), -1, 0, 0), 11);
        EXPECT_EQ(prompter.Texts(), Texts{kQuestion});
        EXPECT_EQ(SoundCard::SoundErrorText(32),
                  "??? Maybe Input being used at\n a different sample rate");
    });
}

TEST(SoundCardErrorText, EveryCodeHasItsOwnTextAndUnknownOnesBlameTheSampleRate) {
    const std::vector<std::pair<int, std::string>> table{
        {0, ""},
        {2, "Bad Device ID\nIs Soundcard Present?"},
        {3, "Driver failed enable"},
        {4, "Your soundcard is in use by another program"},
        {5, "Device handle is invalid"},
        {6, "No device driver present"},
        {7, "mmsystem memory allocation error"},
        {8, "Function isn't supported"},
        {9, "Error value out of range"},
        {10, "Invalid flag passed"},
        {11, "Invalid parameter passed"},
        {12, "Handle being used"},
        {100, "Memory Allocation error"},
        {111, "Tried to read and soundcard is not open"},
        {112, "Input buffers overflowed"},
        {113, "Timed out waiting for input buffers"},
        {114, "Tried to write and soundcard is not open"},
        {115, "Output buffers Underflowed"},
        {116, "Timed out waiting for output buffers"},
    };
    for (const auto& [code, text] : table) {
        EXPECT_EQ(SoundCard::SoundErrorText(code), text) << code;
    }
    for (int code : {1, 13, 32, 99, 101, 110, 117, -1}) {
        EXPECT_EQ(SoundCard::SoundErrorText(code),
                  "??? Maybe Input being used at\n a different sample rate")
            << code;
    }
}

TEST_F(SoundCardFileTest, ADeviceAnotherProgramHoldsIsReportedInUse) {
    RunForked([&] {
        UseDevice("test_out");
        const int device = Listed("test_exclusive");
        ASSERT_GE(device, 0);
        AlsaPcm otherProgram;
        ASSERT_EQ(otherProgram.Open("test_exclusive", PcmDirection::Capture, true), 0);
        VirtualTimeBase time;
        RecordingPrompter prompter;
        SoundCard card(prompter, time);
        EXPECT_EQ(card.OpenOutput(Format(1, 16), device, 2048, 0), 4);
        EXPECT_EQ(card.OpenInput(Format(1, 16), device, 2048, 0), 4);
        EXPECT_EQ(prompter.Texts(), Texts{kQuestion});
        EXPECT_EQ(SoundCard::SoundErrorText(4), "Your soundcard is in use by another program");

        otherProgram.Close();
        EXPECT_EQ(card.OpenInput(Format(1, 16), device, 2048, 0), 0);
        card.CloseInput();
    });
}

TEST_F(SoundCardFileTest, TheNamedDeviceIsOpenedWhereverTheListPutsItAndMissedWhenGone) {
    RunForked([&] {
        UseDevice("test_out");
        const int other = Listed("test_other");
        ASSERT_GE(other, 0);
        RecordingPrompter prompter;
        SoundCard card(prompter, RealTime());
        // The number the list gave "test_out" once now belongs to another card.
        ASSERT_EQ(card.OpenOutput(Format(1, 16), {other, "test_out"}, 2, 0), 0);
        const std::vector<double> samples{7, -7};
        EXPECT_EQ(card.Write(samples.data(), 2), 2);
        card.CloseOutput();
        EXPECT_EQ(ScratchDir::Read(Out()), test::WaveFileBuilder::Samples16({7, -7}));

        EXPECT_EQ(card.OpenOutput(Format(1, 16), {other, "test_unplugged"}, 2, 0), 2);
        EXPECT_EQ(prompter.Texts(), Texts{});
        EXPECT_NE(access(dir_.File("other.raw").c_str(), F_OK), 0) << "another card stood in";
    });
}

}  // namespace
}  // namespace tarnwick
