#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <vector>

#include "platform/Event.h"
#include "platform/TimeBase.h"
#include "support/RigDaemon.h"
#include "trx/TrxLinkThread.h"
#include "trx/TrxManagerKeyingDevice.h"

namespace tarnwick {
namespace {

// A link to the daemon at `port` with what it reports and tells kept for the test.
struct Link {
    explicit Link(int port) {
        thread = std::make_shared<TrxLinkThread>(RealTime(), nullptr,
                                                 [this](uint64_t tag, bool handedOver) {
                                                     std::lock_guard lock(mutex);
                                                     reports.emplace_back(tag, handedOver);
                                                     reported.Set();
                                                 });
        thread->Connect("127.0.0.1", port, 42);
    }
    std::vector<std::pair<uint64_t, bool>> Reports() {
        std::lock_guard lock(mutex);
        return reports;
    }

    std::mutex mutex;
    std::vector<std::pair<uint64_t, bool>> reports;
    Event reported{ResetMode::Auto};
    std::shared_ptr<TrxLinkThread> thread;
};

TEST(TrxManagerKeyingDeviceTest, WithoutTheProgramEveryOperationIsSilent) {
    Link link(test::FreeLoopbackPort());
    TrxManagerKeyingDevice device(link.thread);
    Event stop(ResetMode::Manual);
    device.PttOn();
    EXPECT_TRUE(device.WaitPttUp(stop));
    EXPECT_TRUE(device.SendText("CQ", 20, 7));
    device.SendChar('E', 20);
    device.PttOff();
    ASSERT_TRUE(link.thread->Barrier()->Wait(10'000));
    // Nothing went out, so the text's end is reported at once, as not handed over.
    EXPECT_EQ(link.Reports(), (std::vector<std::pair<uint64_t, bool>>{{7, false}}));
    const std::vector<TrxLinkNews> news = link.thread->TakeNews();
    ASSERT_EQ(news.size(), 1u);
    EXPECT_EQ(news[0].kind, TrxLinkNews::Kind::ConnectFailed);
    EXPECT_EQ(link.thread->LastPttDrop()->Wait(0), std::optional<bool>(true));
}

TEST(TrxManagerKeyingDeviceTest, PttAndTextReachTheRadio) {
    test::RigDaemon daemon;
    ASSERT_TRUE(daemon.Running());
    Link link(daemon.Port());
    TrxManagerKeyingDevice device(link.thread);
    Event stop(ResetMode::Manual);

    device.PttOn();
    ASSERT_TRUE(device.WaitPttUp(stop));
    EXPECT_NE(daemon.Ask("t").find("PTT: 1"), std::string::npos);
    device.KeyDown();
    device.KeyUp();
    EXPECT_NE(daemon.Ask("t").find("PTT: 1"), std::string::npos) << "the key does nothing";
    EXPECT_TRUE(device.SendText("E", 50, 7));
    ASSERT_TRUE(RealTime().WaitFor(link.reported, 10'000));
    EXPECT_EQ(link.Reports(), (std::vector<std::pair<uint64_t, bool>>{{7, true}}));

    device.PttOff();
    EXPECT_EQ(link.thread->LastPttDrop()->Wait(10'000), std::optional<bool>(true));
    EXPECT_NE(daemon.Ask("t").find("PTT: 0"), std::string::npos);
    EXPECT_TRUE(link.thread->TakeNews().empty());
}

}  // namespace
}  // namespace tarnwick
