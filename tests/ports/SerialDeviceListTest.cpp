#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "ports/SerialDeviceList.h"
#include "support/ScratchDir.h"

namespace tarnwick {
namespace {

TEST(SerialDeviceList, ListsPresentPortsInNumberOrderWithStableNamesLast) {
    test::ScratchDir root;
    const std::string dev = root.File("dev");
    ASSERT_EQ(mkdir(dev.c_str(), 0700), 0);
    for (const char* name : {"ttyS0", "ttyS1", "ttyS10", "ttyS2", "ttyUSB1", "ttyUSB0", "ttyACM0",
                             "ttyUSBx", "tty0", "ttyprintk", "null"}) {
        ASSERT_TRUE(test::ScratchDir::Write(dev + "/" + name, ""));
    }
    // The kernel reports no UART behind ttyS1; ttyS2 has one, the others say nothing.
    for (const char* path :
         {"/sys", "/sys/class", "/sys/class/tty", "/sys/class/tty/ttyS1", "/sys/class/tty/ttyS2"}) {
        ASSERT_EQ(mkdir(root.File(path + 1).c_str(), 0700), 0);
    }
    ASSERT_TRUE(test::ScratchDir::Write(root.File("sys/class/tty/ttyS1/type"), "0\n"));
    ASSERT_TRUE(test::ScratchDir::Write(root.File("sys/class/tty/ttyS2/type"), "4\n"));
    ASSERT_EQ(mkdir((dev + "/serial").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((dev + "/serial/by-id").c_str(), 0700), 0);
    ASSERT_EQ(symlink("../../ttyUSB1", (dev + "/serial/by-id/usb-FTDI_FT232R-if00").c_str()), 0);

    std::vector<std::string> paths;
    for (const SerialDevice& d : ListSerialDevices(root.Path())) {
        paths.push_back(d.path);
        EXPECT_EQ(d.target, d.path.find("by-id") != std::string::npos ? "/dev/ttyUSB1" : "");
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10",
                                               "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0",
                                               "/dev/serial/by-id/usb-FTDI_FT232R-if00"}));
    EXPECT_TRUE(ListSerialDevices(root.File("missing")).empty());
}

}  // namespace
}  // namespace tarnwick
