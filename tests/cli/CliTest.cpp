#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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

    pid_t Start(const std::vector<std::string>& args) {
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
        posix_spawn_file_actions_addopen(&fa, 1, (dir_ + "/out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&fa, 2, (dir_ + "/err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, argv[0].c_str(), &fa, nullptr, cargv.data(), cenv.data()), 0);
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
    const std::string before = Slurp(config_);
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"settings", "set", "Bogus", "1"},
                                               {"settings", "set", "CWRate", "fast"},
                                               {"settings", "set", "CWRate", "0"},
                                               {"settings", "set", "CWRate", "25wpm"},
                                               {"settings", "set", "TXDelay", "nan"},
                                               {"settings", "set", "Mode", "2"},
                                               {"settings", "set", "WindowPos", "1:2:3"},
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

}  // namespace
