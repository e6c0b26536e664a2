#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/Event.h"
#include "platform/TimeBase.h"
#include "platform/VirtualTimeBase.h"
#include "send/WavePlayer.h"
#include "support/RecordingPrompter.h"
#include "support/ScopedEnvironment.h"
#include "support/ScratchDir.h"
#include "support/WaveFileBuilder.h"

namespace tarnwick {
namespace {

using test::RecordingPrompter;
using test::ScratchDir;
using test::WaveFileBuilder;
using Texts = std::vector<std::string>;

// Records which cancel event each box was given.
class CancelRecordingPrompter : public Prompter {
public:
    PromptAnswer Ask(const std::string&, PromptButtons buttons, Event* cancel) override {
        cancels.push_back(cancel);
        return NegativeAnswer(buttons);
    }
    std::vector<Event*> cancels;
};

std::string Pcm(uint16_t channels, uint32_t rate, uint16_t bits, const std::string& data) {
    return WaveFileBuilder().Format(1, channels, rate, bits).Data(data).Bytes();
}

// Bytes of a recognisable ramp, so that a lost, doubled or shifted piece shows.
std::string Ramp(size_t n) {
    std::string out(n, '\0');
    for (size_t i = 0; i < n; ++i) {
        out[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    }
    return out;
}

class WavePlayerFileTest : public ::testing::Test {
protected:
    // ALSA's file PCM: writes what is played to a file, as fast as it comes.
    std::string FilePcm() const { return "file:FILE=" + dir_.File("out.raw") + ",FORMAT=raw"; }
    std::string Played() const { return ScratchDir::Read(dir_.File("out.raw")); }

    // Plays a file holding `bytes` on the PCM named `pcm`; returns the boxes shown.
    Texts PlayBytes(const std::string& bytes, const std::string& pcm, bool* ok) {
        const std::string path = dir_.File("x.wav");
        EXPECT_TRUE(ScratchDir::Write(path, bytes));
        RecordingPrompter prompter;
        WavePlayer player(prompter, RealTime(), [pcm](int) { return pcm; });
        *ok = player.Play(path, -1) && player.WaitDone();
        EXPECT_FALSE(player.IsOpen());
        return prompter.Texts();
    }

    Texts Refusal(const std::string& bytes, const std::string& pcm = "null") {
        bool ok = true;
        Texts texts = PlayBytes(bytes, pcm, &ok);
        EXPECT_FALSE(ok);
        return texts;
    }

    ScratchDir dir_;
    test::ScopedSoundClientState clientState_{dir_.Path()};
};

TEST_F(WavePlayerFileTest, EachFaultyFileGetsItsOwnMessage) {
    const std::string x = dir_.File("x.wav");
    const std::string fmt16 = WaveFileBuilder::FormatBody(1, 1, 11025, 16);
    const std::string data = WaveFileBuilder::Samples16({1, 2, 3, 4});
    struct Case {
        const char* what;
        std::string bytes;
        std::string text;
    };
    const std::vector<Case> cases{
        {"empty file", "", x + " does not appear to be a wav file."},
        {"text file", "just some text\n", x + " does not appear to be a wav file."},
        {"big-endian RIFX", WaveFileBuilder().Chunk("fmt ", fmt16).Data(data).Bytes("RIFX"),
         x + " does not appear to be a wav file."},
        {"other form", WaveFileBuilder().Chunk("fmt ", fmt16).Bytes("RIFF", "AVI "),
         x + " does not appear to be a wav file."},
        {"cut inside the RIFF header", "RIFF\x10\0\0\0WA",
         x + " does not appear to be a wav file."},
        {"no format chunk", WaveFileBuilder().Data(data).Bytes(), x + " appears to be corrupt."},
        {"format chunk of 64 KiB",
         WaveFileBuilder().Chunk("fmt ", fmt16 + std::string(65536 - 16, '\0')).Data(data).Bytes(),
         "Cannot allocate memory for wave format."},
        {"format chunk cut by the end of the file",
         WaveFileBuilder().Chunk("fmt ", fmt16.substr(0, 10), 16u, false).Bytes(),
         "Cannot read wave format."},
        {"format chunk too short for PCM",
         WaveFileBuilder().Chunk("fmt ", fmt16.substr(0, 14)).Data(data).Bytes(),
         "Cannot read wave format."},
        {"floating-point samples", WaveFileBuilder().Format(3, 1, 11025, 32).Data(data).Bytes(),
         "Wav file is not in PCM format."},
        {"extensible format", WaveFileBuilder().Format(0xFFFE, 2, 48000, 16).Data(data).Bytes(),
         "Wav file is not in PCM format."},
        {"12-bit samples", WaveFileBuilder().Format(1, 1, 11025, 12).Data(data).Bytes(),
         "Cannot open soundcard."},
        {"no channels", WaveFileBuilder().Format(1, 0, 11025, 16).Data(data).Bytes(),
         "Cannot open soundcard."},
        {"no data chunk", WaveFileBuilder().Chunk("fmt ", fmt16).Bytes(),
         "Cannot locate wav data."},
        {"data before the format", WaveFileBuilder().Data(data).Chunk("fmt ", fmt16).Bytes(),
         "Cannot locate wav data."},
        {"data outside the RIFF chunk",
         WaveFileBuilder().Chunk("fmt ", fmt16).Bytes("RIFF", "WAVE", 4 + 8 + 16) +
             "data\x08\0\0\0" + data,
         "Cannot locate wav data."},
        {"empty data chunk", WaveFileBuilder().Chunk("fmt ", fmt16).Data("").Bytes(),
         "Chunk has no data."},
        {"data chunk claiming more than the file",
         WaveFileBuilder().Chunk("fmt ", fmt16).Chunk("data", data, 1000u).Bytes(),
         "Cannot read data from wav file."},
        {"data chunk claiming 4 GiB",
         WaveFileBuilder()
             .Chunk("fmt ", fmt16)
             .Chunk("data", data, 0xFFFFFFFFu)
             .Bytes("RIFF", "WAVE", 0xFFFFFFFFu),
         "Cannot read data from wav file."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Refusal(c.bytes), Texts{c.text}) << c.what;
    }
}

TEST_F(WavePlayerFileTest, FileNamesAreTakenAsWrittenUpTo127Characters) {
    const std::string good = Pcm(1, 11025, 16, WaveFileBuilder::Samples16({5, 6}));
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir_.Path().c_str()), 0);
    const std::string longest = "./" + std::string(121, 'a') + ".wav";
    const std::string tooLong = "./" + std::string(122, 'a') + ".wav";
    ASSERT_EQ(longest.size(), 127u);
    ASSERT_TRUE(ScratchDir::Write(longest, good));
    ASSERT_TRUE(ScratchDir::Write(tooLong, good));
    ASSERT_TRUE(ScratchDir::Write("rel.wav", good));

    RecordingPrompter prompter;
    WavePlayer player(prompter, RealTime(), [](int) { return std::string("null"); });
    EXPECT_TRUE(player.Play("rel.wav", -1) && player.WaitDone())
        << "relative to the working directory";
    EXPECT_TRUE(player.Play(longest, -1) && player.WaitDone());
    EXPECT_FALSE(player.Play(tooLong, -1));
    EXPECT_FALSE(player.Play("missing/x.wav", -1));
    EXPECT_FALSE(player.Play(".", -1)) << "a directory is no file";
    EXPECT_FALSE(player.Play(std::string("rel.wav\0x", 9), -1));
    ASSERT_EQ(chdir(cwd), 0);
    EXPECT_EQ(prompter.Texts(), (Texts{"Cannot locate file: " + tooLong,
                                       "Cannot locate file: missing/x.wav", "Cannot locate file: .",
                                       "Cannot locate file: " + std::string("rel.wav\0x", 9)}));
}

TEST_F(WavePlayerFileTest, TheDeviceIsAskedAfterTheFormatAndBeforeTheData) {
    const std::string fmt16 = WaveFileBuilder::FormatBody(1, 1, 11025, 16);
    const std::string missing = "no_such_pcm_for_this_test";
    EXPECT_EQ(Refusal(WaveFileBuilder().Format(3, 1, 11025, 32).Data("xx").Bytes(), missing),
              Texts{"Wav file is not in PCM format."});
    EXPECT_EQ(Refusal(WaveFileBuilder().Chunk("fmt ", fmt16).Bytes(), missing),
              Texts{"Cannot open soundcard."});
    EXPECT_EQ(Refusal(WaveFileBuilder().Chunk("fmt ", fmt16).Data("").Bytes(), missing),
              Texts{"Cannot open soundcard."});
    // A device number past the end of the operator's list.
    RecordingPrompter prompter;
    WavePlayer player(prompter, RealTime());
    ASSERT_TRUE(ScratchDir::Write(dir_.File("ok.wav"), Pcm(1, 11025, 16, "abcd")));
    EXPECT_FALSE(player.Play(dir_.File("ok.wav"), 1000));
    EXPECT_FALSE(player.IsOpen());
    EXPECT_EQ(prompter.Texts(), Texts{"Cannot open soundcard."});
}

TEST_F(WavePlayerFileTest, BoxesCanBeClosedByTheCallersCancelEvent) {
    CancelRecordingPrompter prompter;
    Event cancel(ResetMode::Manual);
    WavePlayer player(prompter, RealTime(), [](int) { return std::string("null"); });
    EXPECT_FALSE(player.Play(dir_.File("missing.wav"), -1, &cancel));
    ASSERT_TRUE(
        ScratchDir::Write(dir_.File("f.wav"), WaveFileBuilder().Format(3, 1, 8000, 32).Bytes()));
    EXPECT_FALSE(player.Play(dir_.File("f.wav"), -1, &cancel));
    EXPECT_EQ(prompter.cancels, (std::vector<Event*>{&cancel, &cancel}));
}

// The data path: every byte of the data chunk reaches the device in the file's own format,
// whatever its length compared with the device's periods.
TEST_F(WavePlayerFileTest, PlaysTheWholeDataChunkInTheFilesFormat) {
    struct Case {
        uint16_t channels;
        uint32_t rate;
        uint16_t bits;
        size_t bytes;
    };
    const std::vector<Case> cases{
        {1, 11025, 16, 2 * (11025 * 3 / 2)},  // 1.5 s: many periods and a partial one
        {2, 48000, 8, 2 * 48000 / 3},         // unsigned 8-bit stereo
        {2, 44100, 16, 4 * 1000},
        {1, 22050, 24, 3 * 5000},
        {1, 8000, 8, 1},  // one frame, odd length with its pad byte
    };
    for (const Case& c : cases) {
        const std::string data = Ramp(c.bytes);
        bool ok = false;
        const std::string bytes = WaveFileBuilder()
                                      .Chunk("LIST", "INFOodd")
                                      .Format(1, c.channels, c.rate, c.bits)
                                      .Chunk("fact", "1234")
                                      .Data(data)
                                      .Chunk("junk", "after the data")
                                      .Bytes();
        EXPECT_EQ(PlayBytes(bytes, FilePcm(), &ok), Texts{});
        EXPECT_TRUE(ok) << c.channels << " ch, " << c.rate << " Hz, " << c.bits << " bit";
        EXPECT_TRUE(Played() == data)
            << c.channels << " ch, " << c.rate << " Hz, " << c.bits << " bit: played "
            << Played().size() << " of " << data.size();
    }
}

TEST_F(WavePlayerFileTest, APartialLastFrameIsLeftOut) {
    bool ok = false;
    EXPECT_EQ(PlayBytes(Pcm(2, 11025, 16, "abcdefg"), FilePcm(), &ok), Texts{});
    EXPECT_TRUE(ok);
    EXPECT_EQ(Played(), "abcd");
}

TEST_F(WavePlayerFileTest, StopWhenIdleDoesNothing) {
    RecordingPrompter prompter;
    VirtualTimeBase time;
    WavePlayer player(prompter, time, [](int) { return std::string("null"); });
    player.Stop();
    EXPECT_FALSE(player.IsOpen());
    EXPECT_FALSE(player.WaitDone()) << "a Stop with nothing playing leaves no signal behind";
    EXPECT_EQ(time.NowNs(), int64_t{WavePlayer::kWaitDoneMs} * kNsPerMs);
    EXPECT_EQ(prompter.Texts(), Texts{});
}

// The engine's stop can come between its last look at the stop and Play: the stop still wins,
// and nothing of the file goes out.
TEST_F(WavePlayerFileTest, AStopSignalledBeforePlayPlaysNothing) {
    RecordingPrompter prompter;
    WavePlayer player(prompter, RealTime(), [this](int) { return FilePcm(); });
    ASSERT_TRUE(ScratchDir::Write(dir_.File("a.wav"), Pcm(1, 11025, 16, Ramp(4000))));
    Event stop(ResetMode::Manual);
    stop.Set();
    EXPECT_FALSE(player.Play(dir_.File("a.wav"), -1, &stop));
    EXPECT_FALSE(player.IsOpen());
    EXPECT_TRUE(player.WaitDone());
    EXPECT_EQ(Played(), "");
    EXPECT_EQ(prompter.Texts(), Texts{});
}

TEST_F(WavePlayerFileTest, OnePlayerPlaysFileAfterFile) {
    RecordingPrompter prompter;
    WavePlayer player(prompter, RealTime(), [this](int) { return FilePcm(); });
    for (const std::string& data : {Ramp(4000), Ramp(22050)}) {
        ASSERT_TRUE(ScratchDir::Write(dir_.File("a.wav"), Pcm(1, 11025, 16, data)));
        ASSERT_TRUE(player.Play(dir_.File("a.wav"), -1));
        EXPECT_TRUE(player.WaitDone());
        EXPECT_FALSE(player.IsOpen());
        EXPECT_TRUE(Played() == data);
        player.Stop();
    }
    EXPECT_EQ(prompter.Texts(), Texts{});
}

}  // namespace
}  // namespace tarnwick
