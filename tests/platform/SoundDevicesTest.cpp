#include "platform/SoundDevices.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "support/AlsaTestConfig.h"
#include "support/ForkedTest.h"
#include "support/ScratchDir.h"

namespace tarnwick {
namespace {

using test::AlsaTestConfig;
using test::RunForked;
using test::ScratchDir;

const SoundDevice* Named(const std::vector<SoundDevice>& devices, const std::string& name) {
    for (const SoundDevice& d : devices) {
        if (d.name == name) {
            return &d;
        }
    }
    return nullptr;
}

// The devices are test PCMs in a configuration of the test's own, in a fork so that it does not
// reach later tests.
class SoundDevicesTest : public ::testing::Test {
protected:
    // Makes ALSA read a configuration holding `pcms` from now on.
    void Define(const std::string& pcms) {
        const std::string conf = dir_.File("devices" + std::to_string(++configs_) + ".conf");
        ASSERT_TRUE(ScratchDir::Write(conf, pcms));
        AlsaTestConfig::Use(conf);
    }
    std::string FilePcm(const std::string& name, const std::string& description) const {
        return "pcm." + name + " { type file slave.pcm null file \"" + dir_.File(name + ".raw") +
               "\" infile \"/dev/null\" format raw" + AlsaTestConfig::Hint(description) + " }\n";
    }
    std::string Lock() const { return dir_.File("locked.lock"); }

    ScratchDir dir_{"tarnwick-devices"};
    int configs_ = 0;
};

TEST_F(SoundDevicesTest, OneListServesBothDirectionsAndIsReadWithoutOpeningAnyDevice) {
    RunForked([&] {
        Define(FilePcm("tw_line_out", "Line Out|IOIDOutput") +
               FilePcm("tw_rig", "USB Rig Interface\nwith a second line") +
               AlsaTestConfig::ExclusivePcm("tw_locked", Lock(), "Locked Card"));
        const std::vector<SoundDevice> devices = SoundDevices::List();
        const SoundDevice* out = Named(devices, "tw_line_out");
        const SoundDevice* rig = Named(devices, "tw_rig");
        ASSERT_NE(out, nullptr);
        ASSERT_NE(rig, nullptr);
        ASSERT_NE(Named(devices, "tw_locked"), nullptr);
        EXPECT_EQ(Named(devices, "default"), nullptr) << "the default is device -1 only";
        for (size_t i = 0; i < devices.size(); ++i) {
            EXPECT_EQ(devices[i].number, static_cast<int>(i));
        }
        EXPECT_LT(out->number, rig->number) << "ALSA's order";
        EXPECT_TRUE(out->playback && !out->capture);
        EXPECT_TRUE(rig->playback && rig->capture);

        // A playback-only device before it moves neither direction of the two-way device.
        EXPECT_EQ(SoundDevices::NameFor(rig->number, PcmDirection::Playback), "tw_rig");
        EXPECT_EQ(SoundDevices::NameFor(rig->number, PcmDirection::Capture), "tw_rig");
        EXPECT_EQ(SoundDevices::NameFor(out->number, PcmDirection::Playback), "tw_line_out");
        EXPECT_EQ(SoundDevices::NameFor(out->number, PcmDirection::Capture), "");
        EXPECT_EQ(SoundDevices::NameFor(static_cast<int>(devices.size()), PcmDirection::Playback),
                  "");
        EXPECT_EQ(SoundDevices::NameFor(-2, PcmDirection::Playback), "");

        const std::vector<std::string> labels = SoundDevices::Labels(devices);
        ASSERT_EQ(labels.size(), devices.size() + 1);
        EXPECT_EQ(labels[0], "Best Matching/Default Card");
        EXPECT_EQ(labels[rig->number + 1], "USB Rig Interface (tw_rig)");
        EXPECT_NE(access(Lock().c_str(), F_OK), 0) << "a device was opened to list it";
    });
}

TEST_F(SoundDevicesTest, TheStoredNameKeepsTheChoiceWhenTheListChanges) {
    RunForked([&] {
        const std::string lineOut = FilePcm("tw_line_out", "Line Out");
        const std::string rig = FilePcm("tw_rig", "Rig");
        Define(lineOut + rig);
        const std::vector<SoundDevice> before = SoundDevices::List();
        ASSERT_NE(Named(before, "tw_rig"), nullptr);
        const SoundDeviceChoice choice =
            SoundDevices::Choose(Named(before, "tw_rig")->number, before);
        EXPECT_EQ(choice.name, "tw_rig");
        EXPECT_EQ(SoundDevices::Choose(-1, before).name, "");

        // A card plugged in ahead of it moves it along the list.
        Define(FilePcm("tw_new", "New Card") + lineOut + rig);
        const std::vector<SoundDevice> after = SoundDevices::List();
        ASSERT_NE(Named(after, "tw_rig"), nullptr);
        EXPECT_NE(Named(after, "tw_rig")->number, choice.number);
        EXPECT_EQ(SoundDevices::NumberOf(choice, after), Named(after, "tw_rig")->number);
        EXPECT_EQ(SoundDevices::NameFor(choice, PcmDirection::Capture), "tw_rig");
        EXPECT_NE(SoundDevices::NameFor(choice.number, PcmDirection::Capture), "tw_rig")
            << "a bare number follows the list";

        // Unplugged: the choice is not in the list, and no other device stands in for it.
        Define(FilePcm("tw_new", "New Card") + lineOut);
        EXPECT_EQ(SoundDevices::NumberOf(choice, SoundDevices::List()), std::nullopt);
        EXPECT_EQ(SoundDevices::NameFor(choice, PcmDirection::Playback), "tw_rig");
        EXPECT_EQ(SoundDevices::NumberOf({-1, "tw_rig"}, SoundDevices::List()), -1);
    });
}

// Cards as ALSA hints them: a dozen PCMs for each of their devices.
TEST(SoundDevicesHintsTest, EachCardDeviceIsListedOnceUnderItsConvertingPcm) {
    const std::vector<SoundHint> hints = {
        {"default", "Default ALSA Output (currently PulseAudio Sound Server)", ""},
        {"null", "Discard all samples (playback) or generate zero samples (capture)", ""},
        {"pulse", "PulseAudio Sound Server", ""},
        {"sysdefault:CARD=PCH", "HDA Intel PCH, ALC892 Analog\nDefault Audio Device", ""},
        {"front:CARD=PCH,DEV=0", "HDA Intel PCH, ALC892 Analog\nFront output / input", ""},
        {"hw:CARD=PCH,DEV=0", "HDA Intel PCH, ALC892 Analog\nDirect hardware device", ""},
        {"plughw:CARD=PCH,DEV=0", "HDA Intel PCH, ALC892 Analog\nAll software conversions", ""},
        {"hdmi:CARD=PCH,DEV=0", "HDA Intel PCH, HDMI 0\nHDMI Audio Output", "Output"},
        {"plughw:CARD=PCH,DEV=3", "HDA Intel PCH, HDMI 0\nAll software conversions", "Output"},
        {"sysdefault:CARD=Mic", "USB Microphone\nDefault Audio Device", "Input"},
        {"front:CARD=Mic,DEV=0", "USB Microphone\nFront input", "Input"},
        {"pulse", "PulseAudio Sound Server", ""},
    };
    const std::vector<SoundDevice> devices = SoundDevices::FromHints(hints);
    std::vector<std::string> names;
    for (const SoundDevice& d : devices) {
        names.push_back(d.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"null", "pulse", "plughw:CARD=PCH,DEV=0",
                                               "plughw:CARD=PCH,DEV=3", "sysdefault:CARD=Mic"}));
    ASSERT_EQ(devices.size(), 5u);
    EXPECT_EQ(devices[2].Label(), "HDA Intel PCH, ALC892 Analog (plughw:CARD=PCH,DEV=0)");
    EXPECT_FALSE(devices[3].capture);
    EXPECT_FALSE(devices[4].playback);
    EXPECT_EQ(devices[4].number, 4);
}

}  // namespace
}  // namespace tarnwick
