// End-to-end keying accuracy of `tarnwick-cli send --trace`: keys "PARIS " repeated for a
// minute (or --seconds) at 20 and 50 WPM, idle and with the other core kept busy, and compares
// every key edge the program traced with the ideal schedule.
//
//   cli_send_bench PATH-TO-tarnwick-cli [--seconds S] [--priority 0..5]
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "morse/CwTiming.h"
#include "morse/MorseTable.h"

namespace {

using namespace tarnwick;

struct Edge {
    double atMs;
    bool down;
};

std::vector<Edge> RunCli(const std::string& cli, const std::string& config, unsigned wpm,
                         int priority, const std::string& text) {
    const std::string env = "TARNWICK_CONFIG='" + config + "' ";
    std::system(
        (env + cli + " settings set CWRate " + std::to_string(wpm) + " >/dev/null").c_str());
    std::system((env + cli + " settings set TXDelay 0 >/dev/null").c_str());
    std::system((env + cli + " settings set CWPriority " + std::to_string(priority) + " >/dev/null")
                    .c_str());
    FILE* out = popen((env + cli + " send --trace '" + text + "'").c_str(), "r");
    std::vector<Edge> edges;
    char line[256];
    while (out != nullptr && std::fgets(line, sizeof line, out) != nullptr) {
        double seconds = 0;
        char what[64] = {0};
        if (std::sscanf(line, "%lf %63[^\n]", &seconds, what) == 2) {
            if (std::strcmp(what, "key down") == 0 || std::strcmp(what, "key up") == 0) {
                edges.push_back({seconds * 1000.0, what[4] == 'd'});
            }
        }
    }
    if (out != nullptr) {
        pclose(out);
    }
    return edges;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: cli_send_bench PATH-TO-tarnwick-cli [--seconds S] [--priority P]\n",
                   stderr);
        return 64;
    }
    const std::string cli = argv[1];
    double seconds = 60;
    int priority = 3;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0) {
            seconds = std::atof(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--priority") == 0) {
            priority = std::atoi(argv[i + 1]);
        }
    }
    char dir[] = "/tmp/tarnwick-bench-XXXXXX";
    const std::string config = std::string(mkdtemp(dir)) + "/bench.conf";
    std::printf("%-5s %-6s %7s %9s %8s %8s %8s %9s\n", "WPM", "load", "edges", "seconds", "mean ms",
                "p99 ms", "max ms", "drift ms");
    for (const bool busy : {false, true}) {
        for (const unsigned wpm : {20u, 50u}) {
            const CwTiming timing = ComputeCwTiming(wpm, 1.0, 3.0, 3.0);
            const double wordMs =
                static_cast<double>(CwDurationMs(ConvertToMorse("PARIS "), timing));
            std::string text;
            for (double t = 0; t < seconds * 1000; t += wordMs) {
                text += "PARIS ";
            }
            const auto ideal = IdealCwSchedule(ConvertToMorse(text), timing);
            bench::Spinner spinner(busy);
            const auto got = RunCli(cli, config, wpm, priority, text);
            spinner.Stop();
            const size_t n = std::min(ideal.size(), got.size());
            if (n == 0) {
                std::printf("%-5u %-6s no edges traced\n", wpm, busy ? "busy" : "idle");
                continue;
            }
            // The schedule starts at the first key-down the program traced.
            const double origin = got[0].atMs;
            std::vector<double> errors;
            for (size_t i = 0; i < n; ++i) {
                const double e =
                    std::abs(got[i].atMs - origin - static_cast<double>(ideal[i].atMs));
                errors.push_back(e);
            }
            const bench::Spread spread = bench::SpreadOf(errors);
            const double drift = got[n - 1].atMs - origin - static_cast<double>(ideal[n - 1].atMs);
            std::printf("%-5u %-6s %7zu %9.1f %8.3f %8.3f %8.3f %9.3f%s\n", wpm,
                        busy ? "busy" : "idle", n, (got[n - 1].atMs - origin) / 1000.0, spread.mean,
                        spread.p99, spread.max, drift,
                        ideal.size() == got.size() ? "" : "  (edge count differs)");
            std::fflush(stdout);
        }
    }
    return 0;
}
