#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "model/CTarnwickDoc.h"
#include "platform/Event.h"
#include "platform/TimeBase.h"
#include "ports/TrxManagerKeyingDevice.h"
#include "support/ChildProcess.h"
#include "support/RecordingPrompter.h"
#include "trx/TrxManagerLink.h"

namespace tarnwick {
namespace {

int LoopbackSocket(int port, bool listen) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int rc = listen ? bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr)
                          : connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    if (rc != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int FreePort() {
    const int fd = LoopbackSocket(0, true);
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    int port = 0;
    if (fd >= 0 && getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        port = ntohs(addr.sin_port);
    }
    if (fd >= 0) {
        close(fd);
    }
    return port;
}

// The rig-control daemon with its dummy radio on loopback, ended with the test.
class DummyRigDaemon {
public:
    DummyRigDaemon() : port_(FreePort()) {
        std::string why;
        if (port_ == 0 || !test::OnPath("rigctld") ||
            !process_.Start(
                {"rigctld", "-m", "1", "-P", "RIG", "-T", "127.0.0.1", "-t", std::to_string(port_)},
                {}, "", "", &why)) {
            return;
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (process_.Running() && std::chrono::steady_clock::now() < until) {
            const int fd = LoopbackSocket(port_, false);
            if (fd >= 0) {
                close(fd);
                up_ = true;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    bool Up() const { return up_; }
    int Port() const { return port_; }

    // The radio's PTT as the daemon reports it to a client of its own: "0", "1" or "" when
    // there is no answer.
    std::string Ptt() const {
        const int fd = LoopbackSocket(port_, false);
        if (fd < 0) {
            return "";
        }
        timeval timeout{2, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        std::string reply;
        if (send(fd, "t\n", 2, MSG_NOSIGNAL) == 2) {
            char buffer[64];
            const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n > 0) {
                reply.assign(buffer, static_cast<size_t>(n));
            }
        }
        close(fd);
        return reply.substr(0, reply.find('\n'));
    }

private:
    int port_;
    test::ChildProcess process_;
    bool up_ = false;
};

class TrxManagerKeyingDeviceTest : public ::testing::Test {
protected:
    void Point(int port) {
        doc.TrxHost = "127.0.0.1";
        doc.TrxPort = port;
        doc.CWRate = 50;
    }

    CTarnwickDoc doc;
    test::RecordingPrompter prompter;
};

TEST_F(TrxManagerKeyingDeviceTest, WithoutTheProgramEveryOperationIsSilent) {
    Point(FreePort());
    TrxManagerLink link(doc, prompter, RealTime());
    ASSERT_FALSE(link.Connect(42));
    Event done(ResetMode::Manual);
    link.SetSendingDoneHandler([&](uint64_t) { done.Set(); });
    TrxManagerKeyingDevice device(link);
    device.PttOn();
    device.SendText("CQ");
    device.SendChar('E');
    device.PttOff();
    EXPECT_FALSE(RealTime().WaitFor(done, 200)) << "no text was handed over";
    EXPECT_TRUE(prompter.Texts().empty());
}

TEST_F(TrxManagerKeyingDeviceTest, PttAndTextReachTheRadio) {
    DummyRigDaemon daemon;
    ASSERT_TRUE(daemon.Up());
    Point(daemon.Port());
    TrxManagerLink link(doc, prompter, RealTime());
    ASSERT_TRUE(link.Connect(42));
    Event done(ResetMode::Auto);
    link.SetSendingDoneHandler([&](uint64_t) { done.Set(); });
    TrxManagerKeyingDevice device(link);

    device.PttOn();
    EXPECT_EQ(daemon.Ptt(), "1");
    device.KeyDown();
    device.KeyUp();
    EXPECT_EQ(daemon.Ptt(), "1") << "the key operations do nothing";
    device.SendText("E");
    EXPECT_TRUE(RealTime().WaitFor(done, 10'000));
    device.SendChar('T');
    EXPECT_TRUE(RealTime().WaitFor(done, 10'000));
    device.PttOff();
    EXPECT_EQ(daemon.Ptt(), "0");
    EXPECT_TRUE(prompter.Texts().empty());
    link.Disconnect();
}

}  // namespace
}  // namespace tarnwick
