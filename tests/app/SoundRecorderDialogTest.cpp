#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <string>
#include <vector>

#include "app/AppTestSupport.h"
#include "app/SoundRecorderDialog.h"
#include "platform/SoundDevices.h"
#include "support/ChildProcess.h"
#include "support/PulseTestServer.h"
#include "support/RecordingPrompter.h"
#include "support/ScopedEnvironment.h"
#include "support/ScratchDir.h"
#include "support/WaveFileBuilder.h"

namespace tarnwick {
namespace {

using test::ScratchDir;

// The recorder as the operator uses it, on a private sound server whose default source hears
// a tone.
TEST(SoundRecorderDialogTest, RecordsSavesAndAsksBeforeReplacingAFile) {
    if (!test::PulseTestServer::Installed()) {
        GTEST_SKIP() << "pulseaudio and parecord (Debian: pulseaudio pulseaudio-utils) are "
                        "not installed";
    }
    test::PulseTestServer server({{"air"}}, 0);
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    server.UseInThisProcess();
    test::ScopedEnvironment environment(
        {{SoundDevices::kDefaultOverride, "pulse"}, {"PULSE_SOURCE", "air.monitor"}});
    const std::string tone = server.Dir() + "/air.wav";
    ASSERT_TRUE(
        ScratchDir::Write(tone, test::WaveFileBuilder::Pcm16(
                                    1, 11025, test::WaveFileBuilder::Tone(700, 60, 11025, 12000))));
    test::ChildProcess player;
    ASSERT_TRUE(player.Start({"paplay", "-d", "air", tone}, server.ClientEnvironment(), "",
                             tone + ".log", &why))
        << why;

    ScratchDir workingDir;
    test::RecordingPrompter prompter;
    SoundRecorderDialog dialog(prompter, -1, workingDir.Path());
    EXPECT_FALSE(dialog.PlayButton()->isEnabled()) << "nothing recorded yet";
    EXPECT_FALSE(dialog.SaveButton()->isEnabled());
    dialog.RecordButton()->click();
    EXPECT_FALSE(dialog.RecordButton()->isEnabled());
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return dialog.Recorder().RecordedSeconds() >= 0.5; },
                                         30000));
    EXPECT_TRUE(test::ProcessEventsUntil([&] { return dialog.LevelMeter()->value() > 40; }))
        << "the meter shows the tone (about -8 dB)";
    dialog.StopButton()->click();
    EXPECT_TRUE(dialog.PlayButton()->isEnabled());

    dialog.NameBox()->setText(QStringLiteral("bad/name"));
    EXPECT_FALSE(dialog.Save());
    dialog.NameBox()->setText(QStringLiteral("MS73"));
    EXPECT_TRUE(dialog.Save());
    const std::string path = workingDir.File("MS73.wav");
    EXPECT_EQ(ScratchDir::Read(path).substr(0, 4), "RIFF");
    EXPECT_TRUE(dialog.StatusLine()->text().contains("{MS73.wav}[I]"));

    ASSERT_TRUE(ScratchDir::Write(path, "the operator's own"));
    EXPECT_FALSE(dialog.Save()) << "the operator said No";
    EXPECT_EQ(ScratchDir::Read(path), "the operator's own");
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{
                                    "A file name may not contain / { } [ ] or control characters.",
                                    "MS73.wav already exists.\nDo you want to replace it?"}));
}

}  // namespace
}  // namespace tarnwick
