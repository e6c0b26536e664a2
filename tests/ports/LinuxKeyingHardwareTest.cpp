#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "PortsTestSupport.h"
#include "model/CTarnwickDoc.h"
#include "platform/VirtualTimeBase.h"
#include "ports/InhibitArmed.h"
#include "ports/KeyingPortBuilder.h"
#include "ports/LinuxKeyingHardware.h"
#include "ports/ParallelPort.h"
#include "ports/ParallelPortIo.h"
#include "ports/PortSettings.h"
#include "ports/TermiosSerialLines.h"
#include "support/RecordingNoticeSink.h"
#include "support/RecordingPrompter.h"
#include "support/ScratchDir.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using test::ElapsedMs;
using test::InhibitNotices;

// A pseudo-terminal of the test's own: its slave side stands in for a serial device.
class PseudoTerminal {
public:
    PseudoTerminal() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
            char name[128];
            if (ptsname_r(master_, name, sizeof name) == 0) {
                slave_ = name;
            }
        }
    }
    ~PseudoTerminal() {
        if (master_ >= 0) {
            close(master_);
        }
    }
    const std::string& SlavePath() const { return slave_; }

private:
    int master_ = -1;
    std::string slave_;
};

void WriteFile(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << text;
}

TEST(TermiosSerialLinesTest, APseudoTerminalOpensButRefusesModemLineCalls) {
    PseudoTerminal pty;
    ASSERT_FALSE(pty.SlavePath().empty());
    // A port left without hang-up-on-close by another program gets it back, so that the lines
    // drop even if the keyer is killed.
    const int other = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    termios t{};
    ASSERT_EQ(tcgetattr(other, &t), 0);
    t.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
    ASSERT_EQ(tcsetattr(other, TCSANOW, &t), 0);

    SerialOpenResult opened = TermiosSerialLines::Open(pty.SlavePath());
    ASSERT_TRUE(opened.lines);
    EXPECT_EQ(opened.error, SerialOpenError::None);
    EXPECT_FALSE(opened.lines->SetRts());
    EXPECT_FALSE(opened.lines->ClearDtr());
    EXPECT_FALSE(opened.lines->ModemStatus().has_value());
    ASSERT_EQ(tcgetattr(other, &t), 0);
    EXPECT_NE(t.c_cflag & HUPCL, 0u);
    close(other);
}

TEST(TermiosSerialLinesTest, APortIsHeldExclusivelyUntilClosed) {
    PseudoTerminal pty;
    ASSERT_FALSE(pty.SlavePath().empty());
    SerialOpenResult first = TermiosSerialLines::Open(pty.SlavePath());
    ASSERT_TRUE(first.lines);
    SerialOpenResult second = TermiosSerialLines::Open(pty.SlavePath());
    EXPECT_FALSE(second.lines);
    EXPECT_EQ(second.error, SerialOpenError::CannotOpen);
    first.lines.reset();
    EXPECT_TRUE(TermiosSerialLines::Open(pty.SlavePath()).lines);
}

TEST(TermiosSerialLinesTest, MissingAndUnsuitablePaths) {
    test::ScratchDir dir{"tarnwick-ports"};
    WriteFile(dir.File("plain"), "not a port");
    fs::create_directories(dir.File("folder"));
    struct Case {
        std::string path;
        SerialOpenError error;
    };
    const Case cases[] = {
        {dir.File("ttyGone"), SerialOpenError::NotAvailable},
        {dir.File("no/such/dir/ttyS0"), SerialOpenError::NotAvailable},
        {"", SerialOpenError::NotAvailable},
        {dir.File("folder"), SerialOpenError::CannotOpen},
        {dir.File("plain"), SerialOpenError::CannotOpen},
    };
    for (const Case& c : cases) {
        const SerialOpenResult opened = TermiosSerialLines::Open(c.path);
        EXPECT_FALSE(opened.lines) << c.path;
        EXPECT_EQ(opened.error, c.error) << c.path;
    }
}

// The whole real serial path on a pseudo-terminal: every line call fails, the inhibit input
// reads as off, and nothing hangs.
TEST(TermiosSerialLinesTest, AMessageOnAPortWithoutModemLinesGoesOnUnharmed) {
    PseudoTerminal pty;
    ASSERT_FALSE(pty.SlavePath().empty());
    test::ScratchDir dir{"tarnwick-ports"};
    CTarnwickDoc doc;
    doc.ComDevice[0] = pty.SlavePath();
    doc.ComDevice[1] = dir.File("ttyGone");
    doc.ComPort = {1, 2, 0};
    doc.PortMatrix[0][kPttColumn] = kSerialRts;
    doc.PortMatrix[0][kCwColumn] = kSerialDtr;
    doc.PortMatrix[0][kInhibitColumn] = kSerialCts;
    test::RecordingNoticeSink view;
    test::RecordingPrompter prompter;
    VirtualTimeBase time;
    LinuxKeyingHardware hardware;
    auto manager = BuildKeyingPortManager(doc, view, prompter, time, hardware, nullptr, nullptr);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"ERROR: Port COM2 is not available. (" +
                                                         dir.File("ttyGone") + ")"});
    manager->PttOn();
    manager->KeyDown();
    manager->KeyUp();
    // Some poll periods of the watcher.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto started = std::chrono::steady_clock::now();
    manager.reset();
    EXPECT_LT(ElapsedMs(started), 10'000);
    EXPECT_EQ(InhibitNotices(view), 0);
    InhibitArmed = 0;
}

class LinuxParallelTest : public ::testing::Test {
protected:
    LinuxKeyingHardware Hardware() const {
        return LinuxKeyingHardware({dir.File("proc"), dir.File("dev"), false});
    }

    test::ScratchDir dir{"tarnwick-ports"};
};

TEST_F(LinuxParallelTest, FindsTheNodeWhoseFirstBaseAddressMatches) {
    WriteFile(dir.File("proc/parport0/base-addr"), "632\t1656\n");
    WriteFile(dir.File("proc/parport1/base-addr"), "888\t1912\n");
    WriteFile(dir.File("proc/default/base-addr"), "888\n");
    WriteFile(dir.File("proc/parport2/base-addr"), "garbage\n");
    const LinuxKeyingHardware hardware = Hardware();
    EXPECT_EQ(hardware.FindParportNode(0x378), dir.File("dev/parport1"));
    EXPECT_EQ(hardware.FindParportNode(0x278), dir.File("dev/parport0"));
    EXPECT_FALSE(hardware.FindParportNode(0x3BC).has_value());
    EXPECT_FALSE(hardware.FindParportNode(1912).has_value()) << "only the first address counts";
}

TEST_F(LinuxParallelTest, SaysWhyWhenThePortCannotBeReached) {
    LinuxKeyingHardware hardware = Hardware();
    std::string why;
    EXPECT_FALSE(hardware.OpenParallel(0x378, &why));
    EXPECT_EQ(why, "no parallel port device has base address 378");

    // A matching node that is no parallel port device cannot be claimed.
    WriteFile(dir.File("proc/parport0/base-addr"), "888\t1912\n");
    EXPECT_FALSE(hardware.OpenParallel(0x378, &why));
    EXPECT_EQ(why.rfind("cannot open " + (dir.File("dev/parport0")), 0), 0u) << why;
    WriteFile(dir.File("dev/parport0"), "");
    EXPECT_FALSE(hardware.OpenParallel(0x378, &why));
    EXPECT_EQ(why.rfind("cannot claim " + (dir.File("dev/parport0")), 0), 0u) << why;

    ParallelPort port(hardware, 0x378, false);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Problem().rfind("ERROR: Parallel port 378 is not available. (cannot claim", 0),
              0u)
        << port.Problem();
}

}  // namespace
}  // namespace tarnwick
