#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/TimeBase.h"
#include "support/RecordingPrompter.h"
#include "support/RigDaemon.h"
#include "trx/TrxManagerLink.h"

namespace tarnwick::test {

// A real daemon on a free loopback port and a link pointed at it (not yet connected).
class TrxLinkFixture : public ::testing::Test {
protected:
    explicit TrxLinkFixture(bool pttByRig = true)
        : daemon(std::make_unique<RigDaemon>(pttByRig)), port(daemon->Port()) {}

    void SetUp() override { ASSERT_TRUE(daemon->Running()) << "rigctld did not start"; }

    // The commands of one kind the daemon received, each as its arguments joined by '|'.
    std::vector<std::string> Sent(const std::string& command) const {
        std::vector<std::string> out;
        for (const LoggedCommand& c : daemon->Received()) {
            if (c.command == command) {
                std::string args;
                for (const std::string& a : c.args) {
                    args += (args.empty() ? "" : "|") + a;
                }
                out.push_back(args);
            }
        }
        return out;
    }

    std::string Ptt() const { return daemon->Ask("t"); }

    bool Connect(TrxManagerLink& l, int64_t windowHandle = 42) {
        return l.Connect(host, port, windowHandle);
    }

    std::unique_ptr<RigDaemon> daemon;
    std::string host = "127.0.0.1";
    int port;
    RecordingPrompter prompter;
    std::unique_ptr<TrxManagerLink> link = std::make_unique<TrxManagerLink>(prompter, RealTime());
};

inline std::string ErrorBox(int status, const std::string& text) {
    return std::string(kTrxErrorTitle) + "\nAn error occured: " + std::to_string(status) + " = " +
           text;
}

}  // namespace tarnwick::test
