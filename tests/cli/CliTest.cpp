#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/RigDaemon.h"

extern char** environ;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream ss(text);
    for (std::string line; std::getline(ss, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Runs tarnwick-cli against a settings file of its own in a fresh directory.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tarnwick-cli-test-XXXXXX";
        dir_ = mkdtemp(tmpl);
        config_ = dir_ + "/conf/Tarnwick.conf";
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    // Standard output goes to `outFd` when one is given, else to a file. The stop signals get
    // their default action back, whatever the test runner was started with.
    pid_t Start(const std::vector<std::string>& args, int outFd = -1) {
        std::vector<std::string> argv{TARNWICK_CLI_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> cargv;
        for (auto& a : argv) {
            cargv.push_back(a.data());
        }
        cargv.push_back(nullptr);
        std::vector<std::string> env{"TARNWICK_CONFIG=" + config_, "HOME=" + dir_};
        std::vector<char*> cenv;
        for (auto& e : env) {
            cenv.push_back(e.data());
        }
        cenv.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        if (outFd >= 0) {
            posix_spawn_file_actions_adddup2(&fa, outFd, 1);
        } else {
            posix_spawn_file_actions_addopen(&fa, 1, (dir_ + "/out").c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0600);
        }
        posix_spawn_file_actions_addopen(&fa, 2, (dir_ + "/err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (const int sig : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE}) {
            sigaddset(&defaults, sig);
        }
        posix_spawnattr_setsigdefault(&attr, &defaults);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, argv[0].c_str(), &fa, &attr, cargv.data(), cenv.data()), 0);
        posix_spawnattr_destroy(&attr);
        posix_spawn_file_actions_destroy(&fa);
        return pid;
    }

    Outcome Finish(pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(dir_ + "/out"),
                Slurp(dir_ + "/err")};
    }

    Outcome Run(const std::vector<std::string>& args) { return Finish(Start(args)); }

    // Waits until the program's output holds `text` (a trace line is written once the program
    // has set up its stop handling), for at most 20 s.
    bool WaitForOutput(const std::string& text) const {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (Slurp(dir_ + "/out").find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > giveUp) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    void WriteConfig(const std::string& text) {
        std::system(("mkdir -p '" + dir_ + "/conf'").c_str());
        std::ofstream(config_) << text;
    }

    std::string dir_;
    std::string config_;
};

TEST_F(CliTest, SettingsAreWrittenReadAndUsedByExpand) {
    EXPECT_EQ(Run({"settings", "set", "MyCall", "K1ABC"}).status, 0);
    EXPECT_EQ(Run({"settings", "set", "Message04-00", "CQ  "}).status, 64);  // no group 4 yet
    EXPECT_EQ(Run({"settings", "get", "MyCall"}).out, "K1ABC\n");
    EXPECT_EQ(Run({"settings", "set", "NCWTitles", "3"}).status, 0);
    EXPECT_EQ(Run({"settings", "set", "Message02-06", "trailing  "}).status, 0);
    EXPECT_EQ(Run({"settings", "get", "Message02-06"}).out, "trailing  \n");
    EXPECT_EQ(Run({"settings", "get", "Title04"}).out, "\n");  // the added group starts empty
    EXPECT_EQ(Run({"settings", "set", "Message04-00", "CQ  "}).status, 0);

    const Outcome list = Run({"settings", "list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("Title00=2M CW EME\n"), std::string::npos);
    EXPECT_NE(list.out.find("TXDelay=0.200000\n"), std::string::npos);
    EXPECT_EQ(list.out.find("Mode=0\n"), 0u);

    const Outcome expanded = Run({"expand", "%T DE %M", "--call", "DL0XX"});
    EXPECT_EQ(expanded.out, "DL0XX DE K1ABC\n");
    EXPECT_EQ(Run({"expand", "%T"}).out, "HISCALL\n");
    EXPECT_NE(Slurp(config_).find("MyCall=K1ABC\n"), std::string::npos);
}

TEST_F(CliTest, BadNamesAndValuesAreRefusedAndLeaveTheFileAlone) {
    ASSERT_EQ(Run({"settings", "set", "CWRate", "25"}).status, 0);
    ASSERT_EQ(Run({"settings", "set", "PortMatrix[0][0]", "1"}).status, 0);
    const std::string before = Slurp(config_);
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"settings", "set", "Bogus", "1"},
                                               {"settings", "set", "CWRate", "fast"},
                                               {"settings", "set", "CWRate", "0"},
                                               {"settings", "set", "CWRate", "25wpm"},
                                               {"settings", "set", "TXDelay", "nan"},
                                               {"settings", "set", "Mode", "2"},
                                               {"settings", "set", "WindowPos", "1:2:3"},
                                               {"settings", "set", "ComPort1", "9"},
                                               {"settings", "set", "PortMatrix[0][0]", "7"},
                                               {"settings", "set", "PortMatrix[0][1]", "1"},
                                               {"settings", "set", "TrxPort", "70000"},
                                               {"settings", "set", "LptPort1", "LPT1"},
                                               {"settings", "get"},
                                               {"settings", "frob"},
                                               {"key", "--wpm", "99", "--trace", "E"},
                                               {"nonsense"}}) {
        const Outcome o = Run(args);
        EXPECT_EQ(o.status, 64) << args.back();
        EXPECT_FALSE(o.err.empty()) << args.back();
    }
    EXPECT_EQ(Slurp(config_), before);
    EXPECT_EQ(Run({"settings", "set", "WindowPos", "0:1:-1:-1:-1:-1:10:10:800:600:120:80"}).status,
              0);
    EXPECT_EQ(Run({"settings", "get", "WindowPos"}).out, "0:1:-1:-1:-1:-1:10:10:800:600:120:80\n");
    EXPECT_EQ(Run({"--help"}).status, 0);
    EXPECT_EQ(Run({"settings", "--help"}).status, 0);
}

TEST_F(CliTest, EveryListedSettingCanBeSetBackToItsOwnValue) {
    ASSERT_EQ(Run({"settings", "set", "WindowPos", "0:1:-1:-1:-1:-1:10:10:800:600:120:80"}).status,
              0);
    const std::string before = Slurp(config_);
    const auto lines = Lines(Run({"settings", "list"}).out);
    ASSERT_GT(lines.size(), 90u);
    for (const std::string& line : lines) {
        const size_t eq = line.find('=');
        const Outcome o = Run({"settings", "set", line.substr(0, eq), line.substr(eq + 1)});
        EXPECT_EQ(o.status, 0) << line << ": " << o.err;
    }
    EXPECT_EQ(Slurp(config_), before);
}

TEST_F(CliTest, AHandEditedFileReadsAsMeantAndOneSetWritesItOnce) {
    ASSERT_EQ(mkdir((dir_ + "/conf").c_str(), 0700), 0);
    {
        std::ofstream out(config_, std::ios::binary);
        out << "\xEF\xBB\xBF[settings]\r\nmycall = DL1XYZ\r\nCWRate=-1\r\nTitle00=A\x01"
               "B\r\n"
               "Future=1\r\n";
    }
    const Outcome list = Run({"settings", "list"});
    EXPECT_NE(list.out.find("\nMyCall=DL1XYZ\n"), std::string::npos);
    EXPECT_NE(list.out.find("\nCWRate=50\n"), std::string::npos);  // as it is keyed
    EXPECT_NE(list.out.find("\nTitle00=A\\x01B\n"), std::string::npos);
    EXPECT_EQ(Run({"expand", "%M"}).out, "DL1XYZ\n");

    const int watch = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, (dir_ + "/conf").c_str(), IN_MOVED_TO), 0);
    const Outcome set = Run({"settings", "set", "ComDevice5", "/dev/ttyUSB0"});
    EXPECT_EQ(set.status, 0) << set.err;
    int renames = 0;
    alignas(inotify_event) char events[4096];
    for (ssize_t n; (n = read(watch, events, sizeof events)) > 0;) {
        for (char* p = events; p < events + n;) {
            ++renames;
            p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len;
        }
    }
    close(watch);
    EXPECT_EQ(renames, 1);

    const std::string file = Slurp(config_);
    EXPECT_EQ(file.rfind("\xEF\xBB\xBF[settings]\r\nMyCall=DL1XYZ\r\n", 0), 0u);
    EXPECT_NE(file.find("\nFuture=1\r\n"), std::string::npos);
    EXPECT_NE(file.find("\nComDevice5=/dev/ttyUSB0\n"), std::string::npos);
    EXPECT_EQ(Run({"settings", "set", "trxhost", "rig.example"}).status, 0);
    EXPECT_EQ(Run({"settings", "get", "TrxHost"}).out, "rig.example\n");
}

TEST_F(CliTest, KeyTracePrintsEveryEdgeInOrder) {
    const Outcome o = Run({"key", "--wpm", "50", "--trace", "E", "E"});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto lines = Lines(o.out);
    std::vector<std::string> what;
    double last = -1;
    for (const auto& line : lines) {
        const double t = std::stod(line);
        EXPECT_GE(t, last);
        last = t;
        what.push_back(line.substr(line.find(' ') + 1));
    }
    // E E: down, up, the word gap, down, up.
    EXPECT_EQ(what, (std::vector<std::string>{"key down", "key up", "key down", "key up"}));
    EXPECT_GT(std::stod(lines[2]) - std::stod(lines[1]), 0.15);  // 192 ms at 50 WPM
}

TEST_F(CliTest, InterruptStopsKeyingAtOnceWithTheKeyUp) {
    // About 40 s of Morse at 5 WPM; stopped once keying has begun.
    const pid_t pid = Start({"key", "--wpm", "5", "--trace", "TTTTTTTTTTTTTTTTTTTTTTTTTTTTTT"});
    EXPECT_TRUE(WaitForOutput("key down"));
    const auto t0 = std::chrono::steady_clock::now();
    kill(pid, SIGINT);
    const Outcome o = Finish(pid);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    EXPECT_EQ(o.status, 130);
    const auto lines = Lines(o.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("key up"), std::string::npos);
}

std::vector<std::string> Events(const std::string& out) {
    std::vector<std::string> what;
    for (const auto& line : Lines(out)) {
        what.push_back(line.substr(line.find(' ') + 1));
    }
    return what;
}

TEST_F(CliTest, SendRaisesPttAroundTheMessageAndDropsItForPauses) {
    ASSERT_EQ(Run({"settings", "set", "CWRate", "50"}).status, 0);
    ASSERT_EQ(Run({"settings", "set", "TXDelay", "0"}).status, 0);
    const Outcome o = Run({"send", "--trace", "E [P:1] T"});
    ASSERT_EQ(o.status, 0) << o.err;
    std::vector<std::string> ptt;
    int downs = 0;
    for (const auto& e : Events(o.out)) {
        if (e.rfind("ptt", 0) == 0) {
            ptt.push_back(e);
        }
        downs += e == "key down";
    }
    EXPECT_EQ(ptt, (std::vector<std::string>{"ptt on", "ptt off", "ptt on", "ptt off"}));
    EXPECT_EQ(downs, 2);

    const Outcome plain = Run({"send", "--expand", "--call", "DL0XX", "%T DE %M"});
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.out, "DL0XX DE MYCALL\n");
}

TEST_F(CliTest, SendReportsAFailedMessageAndAStop) {
    ASSERT_EQ(Run({"settings", "set", "CWRate", "50"}).status, 0);
    const Outcome bad = Run({"send", "E {A} [N:2]"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("Error in message string."), std::string::npos);
    const Outcome wav = Run({"send", "{missing.wav}[I]"});
    EXPECT_EQ(wav.status, 1);
    EXPECT_NE(wav.err.find("Cannot locate file: missing.wav"), std::string::npos);

    const pid_t pid = Start({"send", "--trace", "{PARIS }[R:60]"});
    EXPECT_TRUE(WaitForOutput("key down"));
    kill(pid, SIGTERM);
    const Outcome stopped = Finish(pid);
    EXPECT_EQ(stopped.status, 130);
    const auto events = Events(stopped.out);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), "ptt on");
    EXPECT_EQ(events.back(), "ptt off");
}

// Polls `done` every 20 ms for up to `seconds`; true when it held.
bool WaitUntil(const std::function<bool()>& done, int seconds = 10) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The daemon keeps PTT up for a client that goes away: every way a command-line user ends a
// send must drop it first.
TEST_F(CliTest, AHangupAQuitAndAClosedOutputStopTheSendWithTheRigsPttDown) {
    tarnwick::test::RigDaemon rig;
    ASSERT_TRUE(rig.Running());
    WriteConfig("[Settings]\nCWRate=20\nTXDelay=0\nUseTRX=1\nTrxHost=127.0.0.1\nTrxPort=" +
                std::to_string(rig.Port()) + "\nPortMatrix[4][0]=1\n");
    const auto pttIs = [&](const char* state) {
        return rig.Ask("t").find(std::string("PTT: ") + state) != std::string::npos;
    };
    for (const int sig : {SIGHUP, SIGQUIT}) {
        const pid_t pid = Start({"send", "{PARIS }[R:60]"});
        ASSERT_TRUE(WaitUntil([&] { return pttIs("1"); })) << sig;
        kill(pid, sig);
        EXPECT_EQ(Finish(pid).status, 130) << sig;
        EXPECT_TRUE(pttIs("0")) << sig;
    }

    // send ... | head -c 2
    int out[2];
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    const pid_t pid = Start({"send", "{PARIS }[R:60]"}, out[1]);
    close(out[1]);
    char two[2];
    size_t got = 0;
    for (ssize_t n = 1; got < sizeof two && n > 0; got += n > 0 ? static_cast<size_t>(n) : 0) {
        n = read(out[0], two + got, sizeof two - got);
    }
    EXPECT_EQ(got, 2u);
    EXPECT_TRUE(pttIs("1"));
    close(out[0]);
    const Outcome piped = Finish(pid);
    EXPECT_EQ(piped.status, 130);
    EXPECT_NE(piped.err.find("stopped, PTT down"), std::string::npos) << piped.err;
    EXPECT_TRUE(pttIs("0"));
}

// A listener whose accept queue is full: a connect to it neither succeeds nor fails until it
// times out.
class UnansweredPort {
public:
    UnansweredPort() {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(listener_, 0);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        for (int& fd : fillers_) {
            fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        }
    }
    ~UnansweredPort() {
        for (const int fd : fillers_) {
            close(fd);
        }
        close(listener_);
    }
    int Port() const { return port_; }

private:
    int listener_ = -1;
    int fillers_[3] = {-1, -1, -1};
    int port_ = 0;
};

// True once `pid` has a handler for `sig` (its stop handling is in place).
bool Catches(pid_t pid, int sig) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) == 0) {
            return ((std::stoull(line.substr(7), nullptr, 16) >> (sig - 1)) & 1) != 0;
        }
    }
    return false;
}

TEST_F(CliTest, AStopDuringTheRigConnectEndsTheSendBeforePttIsRaised) {
    UnansweredPort rig;
    WriteConfig("[Settings]\nCWRate=50\nTXDelay=0\nUseTRX=1\nTrxHost=127.0.0.1\nTrxPort=" +
                std::to_string(rig.Port()) + "\nPortMatrix[4][0]=1\n");
    const pid_t pid = Start({"send", "--trace", "E"});
    // The handler goes in just before the engine connects, which takes a second here.
    ASSERT_TRUE(WaitUntil([&] { return Catches(pid, SIGINT); }));
    kill(pid, SIGINT);
    const Outcome o = Finish(pid);
    EXPECT_EQ(o.status, 130);
    EXPECT_EQ(o.out.find("ptt on"), std::string::npos) << o.out;
}

TEST_F(CliTest, AnUnknownOptionIsRefusedAndTextAfterDoubleDashIsSent) {
    ASSERT_EQ(Run({"settings", "set", "CWRate", "50"}).status, 0);
    ASSERT_EQ(Run({"settings", "set", "TXDelay", "0"}).status, 0);
    for (const auto& command : {"send", "key"}) {
        const Outcome refused = Run({command, "--trace", "--tarce", "E"});
        EXPECT_EQ(refused.status, 64) << command;
        EXPECT_NE(refused.err.find("unknown option '--tarce'"), std::string::npos) << refused.err;
        EXPECT_EQ(refused.out, "") << command;
    }
    const Outcome sent = Run({"send", "--", "-E"});
    EXPECT_EQ(sent.status, 0) << sent.err;
    EXPECT_EQ(sent.out, "-E\n");
}

// A sequence keys at its transmit boundary and not before, and Ctrl-C ends it with PTT down.
TEST_F(CliTest, ASequenceTransmitsAtItsBoundaryAndAStopDropsPtt) {
    const Outcome tooShort = Run({"sequence", "--duration", "10", "E"});
    EXPECT_EQ(tooShort.status, 64);
    EXPECT_NE(tooShort.err.find("Tarnwick does not support less than 15 sec sequences"),
              std::string::npos)
        << tooShort.err;

    tarnwick::test::RigDaemon rig;
    ASSERT_TRUE(rig.Running());
    WriteConfig("[Settings]\nCWRate=20\nTXDelay=0\nUseTRX=1\nTrxHost=127.0.0.1\nTrxPort=" +
                std::to_string(rig.Port()) + "\nPortMatrix[4][0]=1\n");
    const time_t now = time(nullptr);
    const time_t boundary = now + 3;
    const long ofDay = static_cast<long>(boundary - (now - now % 86400));
    char typed[32];
    std::snprintf(typed, sizeof typed, "%ld:%02ld:%02ld", ofDay / 3600, ofDay / 60 % 60,
                  ofDay % 60);

    const pid_t pid =
        Start({"sequence", "--duration", "15", "--tx-first", "--start", typed, "{PARIS }[R:60]"});
    // A start that has passed by the time the program reads it (a slow start-up) moves on by a
    // transmit/receive pair, 30 s.
    const bool keyed =
        WaitUntil([&] { return rig.Ask("t").find("PTT: 1") != std::string::npos; }, 45);
    EXPECT_TRUE(keyed);
    EXPECT_GE(time(nullptr), boundary) << "PTT rose before the boundary";
    kill(pid, SIGINT);  // also when it failed: the sequence would otherwise run on for ever
    const Outcome o = Finish(pid);
    EXPECT_EQ(o.status, 130) << o.err;
    EXPECT_NE(rig.Ask("t").find("PTT: 0"), std::string::npos);
    EXPECT_NE(o.out.find(" transmit: "), std::string::npos) << o.out;
}

}  // namespace
