#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/AppTestSupport.h"
#include "app/AutomationServer.h"
#include "app/CMainFrame.h"
#include "app/CTarnwickApp.h"
#include "app/SingleInstance.h"
#include "model/SettingsStore.h"
#include "model/WindowPos.h"
#include "platform/TimeBase.h"
#include "support/ChildProcess.h"
#include "support/RecordingPrompter.h"
#include "support/ScopedEnvironment.h"
#include "support/ScratchDir.h"

namespace tarnwick {
namespace {

using test::ChildProcess;
using test::ScratchDir;

constexpr char kKey[] = "tarnwick";

// A runtime folder and a settings file of this test's own, for this process and for the
// copies of the program it starts.
class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        chmod(dir_.Path().c_str(), 0700);
        environment_.Set("XDG_RUNTIME_DIR", dir_.Path());
        environment_.Set("TARNWICK_CONFIG", config_);
    }

    std::vector<std::string> ProgramEnvironment(const std::string& bus = "") const {
        std::vector<std::string> env = {
            "PATH=" + std::string(std::getenv("PATH")),
            "HOME=" + dir_.Path(),
            "QT_QPA_PLATFORM=offscreen",
            "XDG_RUNTIME_DIR=" + dir_.Path(),
            "TARNWICK_CONFIG=" + config_,
            "TARNWICK_TRACE=1",
            "DBUS_SESSION_BUS_ADDRESS=" + (bus.empty() ? "unix:path=" + dir_.File("none") : bus)};
        for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS"}) {
            if (const char* value = std::getenv(name)) {
                env.push_back(std::string(name) + "=" + value);
            }
        }
        return env;
    }

    // Starts the program and waits for its trace line `ready`.
    void StartProgram(ChildProcess& program, const std::vector<std::string>& args,
                      const std::string& log, const std::string& ready,
                      const std::string& bus = "") {
        std::vector<std::string> argv = {TARNWICK_APP_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        std::string why;
        ASSERT_TRUE(program.Start(argv, ProgramEnvironment(bus), "", log, &why)) << why;
        ASSERT_TRUE(test::ProcessEventsUntil(
            [&] { return ScratchDir::Read(log).find(ready) != std::string::npos; }, 60000))
            << ScratchDir::Read(log);
    }

    // Starts this process's own copy, as the program's main() does.
    std::unique_ptr<CTarnwickApp> StartHere(Prompter& prompter, bool* started,
                                            StartOptions options = {}) {
        auto app = std::make_unique<CTarnwickApp>(prompter, RealTime(), kKey);
        *started = app->InitInstance(options);
        return app;
    }

    ScratchDir dir_{"tarnwick-startup"};
    std::string config_ = dir_.File("Tarnwick.conf");
    test::ScopedEnvironment environment_;
    test::RecordingPrompter prompter_;
};

TEST_F(StartupTest, TheWindowComesBackWhereAndAsItWasClosed) {
    bool started = false;
    auto app = StartHere(prompter_, &started);
    ASSERT_TRUE(started);
    CMainFrame* frame = app->MainFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    const QRect moved(40, 50, 700, 400);
    frame->setGeometry(moved);
    frame->SetColumnWidths(120, 60);
    frame->close();
    app.reset();

    app = StartHere(prompter_, &started);
    ASSERT_TRUE(started);
    EXPECT_EQ(app->MainFrame()->geometry(), moved);
    EXPECT_FALSE(app->MainFrame()->isMaximized());
    EXPECT_EQ(app->MainFrame()->TitleColumnWidth(), 120);
    app->MainFrame()->showMaximized();
    app->MainFrame()->close();
    app.reset();

    SettingsStore store(config_);
    ASSERT_TRUE(store.Load());
    const auto pos = ReadWindowPos(store);
    ASSERT_TRUE(pos.has_value());
    EXPECT_TRUE(RestoresMaximized(*pos));
    EXPECT_EQ(pos->OtherColumnWidth, 60);
    app = StartHere(prompter_, &started);
    EXPECT_TRUE(app->MainFrame()->isMaximized());
    EXPECT_EQ(app->MainFrame()->normalGeometry(), moved) << "restoring it gives the old place";
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{});
}

TEST_F(StartupTest, ASecondStartRaisesTheRunningWindowAndEnds) {
    ChildProcess first;
    StartProgram(first, {}, dir_.File("first.log"), "window shown");
    ChildProcess second;
    std::string why;
    ASSERT_TRUE(
        second.Start({TARNWICK_APP_PATH}, ProgramEnvironment(), "", dir_.File("second.log"), &why))
        << why;
    const int status = second.End(0, 60000);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(ScratchDir::Read(dir_.File("second.log")).find("window shown"), std::string::npos);
    EXPECT_TRUE(test::ProcessEventsUntil([&] {
        return ScratchDir::Read(dir_.File("first.log")).find("raised by another start") !=
               std::string::npos;
    }));
    // Stopped from outside, it closes the normal way: the placement is saved.
    const int firstStatus = first.End(SIGTERM, 60000);
    EXPECT_TRUE(WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0) << firstStatus;
    EXPECT_NE(ScratchDir::Read(config_).find("WindowPos="), std::string::npos);
}

TEST_F(StartupTest, AStartBesideAWindowlessCopyAsksWhetherToContinue) {
    ChildProcess automation;
    StartProgram(automation, {"--automation"}, dir_.File("automation.log"),
                 "automation server without a session bus");
    bool started = true;
    auto refused = StartHere(prompter_, &started);
    EXPECT_FALSE(started);
    EXPECT_EQ(refused->MainFrame(), nullptr);
    EXPECT_EQ(prompter_.Texts(),
              std::vector<std::string>{"Another copy of Tarnwick is already running.\n"
                                       "Continue anyway?"});

    test::RecordingPrompter yes;
    yes.answerPositive = true;
    auto app = StartHere(yes, &started);
    EXPECT_TRUE(started);
    ASSERT_NE(app->MainFrame(), nullptr);
    EXPECT_TRUE(app->MainFrame()->isVisible());
}

TEST_F(StartupTest, AKilledCopyLeavesNothingThatStopsTheNextStart) {
    ChildProcess first;
    StartProgram(first, {}, dir_.File("first.log"), "window shown");
    first.End(SIGKILL, 10000);
    SingleInstance instance(kKey);
    EXPECT_EQ(instance.ClaimInstance(), SingleInstance::Claim::First);
}

TEST_F(StartupTest, AnAutomationStartTakesItsNameOnTheSessionBusAndShowsNoWindow) {
    if (!test::OnPath("dbus-daemon") || !test::OnPath("dbus-send")) {
        GTEST_SKIP() << "dbus-daemon and dbus-send (Debian: dbus) are not installed";
    }
    const std::string bus = "unix:path=" + dir_.File("bus");
    ChildProcess daemon;
    std::string why;
    ASSERT_TRUE(
        daemon.Start({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + bus},
                     ProgramEnvironment(), "", dir_.File("bus.log"), &why))
        << why;
    ASSERT_TRUE(
        test::ProcessEventsUntil([&] { return access(dir_.File("bus").c_str(), F_OK) == 0; }));
    ChildProcess automation;
    StartProgram(automation, {"--automation"}, dir_.File("automation.log"),
                 "automation server on the session bus", bus);
    // Asked from outside, as another program would: the bus knows the name's owner.
    ChildProcess ask;
    const std::string reply = dir_.File("reply.txt");
    ASSERT_TRUE(
        ask.Start({"dbus-send", "--bus=" + bus, "--print-reply", "--dest=org.freedesktop.DBus",
                   "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                   std::string("string:") + AutomationServer::kServiceName},
                  ProgramEnvironment(bus), reply, "", &why))
        << why;
    EXPECT_EQ(ask.End(0, 60000), 0);
    EXPECT_NE(ScratchDir::Read(reply).find("boolean true"), std::string::npos)
        << ScratchDir::Read(reply);
    const int status = automation.End(SIGTERM, 60000);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace tarnwick
