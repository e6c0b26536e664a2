#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>

#include "EditorTestSupport.h"
#include "editors/CPortSettingsDialog.h"

namespace tarnwick {
namespace {

class PortSettingsDialogTest : public ::testing::Test, public test::DialogFixture {
protected:
    PortSettingsDialogTest() {
        const std::string dev = dir.File("root/dev");
        mkdir(dir.File("root").c_str(), 0700);
        mkdir(dev.c_str(), 0700);
        test::ScratchDir::Write(dev + "/ttyS0", "");
        test::ScratchDir::Write(dev + "/ttyUSB0", "");
        mkdir((dev + "/serial").c_str(), 0700);
        mkdir((dev + "/serial/by-id").c_str(), 0700);
        symlink("../../ttyUSB0", (dev + "/serial/by-id/usb-Keyer-if00").c_str());
        deviceRoot = dir.File("root");
    }

    std::string deviceRoot;
};

TEST_F(PortSettingsDialogTest, OkStoresWhatWasTypedAndChosen) {
    CPortSettingsDialog dialog(*doc, prompter, nullptr, deviceRoot);
    QSignalSpy addressChanged(&dialog, &CPortSettingsDialog::parallelAddressChanged);
    test::Type(dialog.ComNumberEdit(0), "2");
    dialog.CellBox(0, kPttColumn)->setCurrentIndex(1);  // RTS
    dialog.CellBox(0, kCwColumn)->setCurrentIndex(2);   // DTR
    test::Type(dialog.ComNumberEdit(1), "5");
    test::Type(dialog.ComDeviceBox(1)->lineEdit(), "/dev/serial/by-id/usb-Keyer-if00");
    dialog.CellBox(1, kInhibitColumn)->setCurrentIndex(1);  // CTS
    test::Type(dialog.AddressEdit(), "378");
    dialog.CellBox(kTrxRow, kPttColumn)->setCurrentIndex(1);  // On
    test::ClickButton(&dialog, "OK");

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(prompter.Texts().empty());
    EXPECT_TRUE(dialog.AddressChanged());
    EXPECT_EQ(addressChanged.count(), 1);
    EXPECT_EQ(doc->LptAddress, 0x378);
    ASSERT_TRUE(Save());
    EXPECT_EQ(Stored("ComPort1"), "2");
    EXPECT_EQ(Stored("ComPort2"), "5");
    EXPECT_EQ(Stored("ComPort3"), "0");
    EXPECT_EQ(Stored("PortMatrix[0][0]"), "1");
    EXPECT_EQ(Stored("PortMatrix[0][1]"), "2");
    EXPECT_EQ(Stored("PortMatrix[1][2]"), "4");
    EXPECT_EQ(Stored("PortMatrix[4][0]"), "1");
    EXPECT_EQ(Stored("LptPort1"), "378");
    EXPECT_EQ(Stored("ComDevice5"), "/dev/serial/by-id/usb-Keyer-if00");
    EXPECT_EQ(Stored("ComDevice2"), "/dev/ttyS1");

    // Opened again, the dialog shows what is stored.
    CPortSettingsDialog again(*doc, prompter, nullptr, deviceRoot);
    EXPECT_EQ(again.CellBox(1, kInhibitColumn)->currentText(), "CTS");
    EXPECT_EQ(again.CellBox(0, kPttColumn)->currentText(), "RTS");
    EXPECT_EQ(again.ComDeviceBox(1)->currentText(), "/dev/serial/by-id/usb-Keyer-if00");
    test::ClickButton(&again, "OK");
    EXPECT_FALSE(again.AddressChanged());
}

TEST_F(PortSettingsDialogTest, AFailingRuleKeepsTheDialogOpenAndTheDocumentUnchanged) {
    CPortSettingsDialog dialog(*doc, prompter, nullptr, deviceRoot);
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    test::Type(dialog.ComNumberEdit(0), "9");
    test::ClickButton(&dialog, "OK");
    test::Type(dialog.ComNumberEdit(0), "3");
    test::Type(dialog.ComNumberEdit(2), "3");
    test::ClickButton(&dialog, "OK");
    test::Type(dialog.ComNumberEdit(2), "0");
    dialog.CellBox(0, kPttColumn)->setCurrentIndex(1);
    dialog.CellBox(kParallelRow, kPttColumn)->setCurrentIndex(1);
    test::ClickButton(&dialog, "OK");
    dialog.CellBox(kParallelRow, kPttColumn)->setCurrentIndex(0);
    dialog.CellBox(0, kCwColumn)->setCurrentIndex(3);
    test::ClickButton(&dialog, "OK");
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{
                  "Please enter an integer between 0 and 8.",
                  "Error: Please enter a different COM port number on each line.",
                  "Error: You cannot send the PTT signal to more than one device.",
                  "Error: You cannot use bothpins for CW and one of them for PTT."}));
    EXPECT_EQ(accepted.count(), 0);
    test::ClickButton(&dialog, "Cancel");
    EXPECT_EQ(doc->ComPort[0], 0);
    EXPECT_EQ(doc->PortMatrix[0][kPttColumn], 0);
}

TEST_F(PortSettingsDialogTest, TheDeviceFieldFollowsTheComNumberAndListsThePresentDevices) {
    doc->ComPort[0] = 3;
    CPortSettingsDialog dialog(*doc, prompter, nullptr, deviceRoot);
    QComboBox* device = dialog.ComDeviceBox(0);
    QStringList offered;
    for (int i = 0; i < device->count(); ++i) {
        offered << device->itemText(i);
    }
    EXPECT_EQ(offered,
              (QStringList{"/dev/ttyS0", "/dev/ttyUSB0", "/dev/serial/by-id/usb-Keyer-if00"}));
    EXPECT_EQ(device->itemData(2, Qt::ToolTipRole).toString(), "/dev/ttyUSB0");
    EXPECT_EQ(device->currentText(), "/dev/ttyS2");
    EXPECT_FALSE(dialog.ComDeviceBox(1)->isEnabled());

    // A device typed for COM 3 stays with COM 3 while the number changes.
    test::Type(device->lineEdit(), "/dev/ttyUSB0");
    test::Type(dialog.ComNumberEdit(0), "4");
    EXPECT_EQ(device->currentText(), "/dev/ttyS3");
    test::Type(dialog.ComNumberEdit(0), "3");
    EXPECT_EQ(device->currentText(), "/dev/ttyUSB0");
    test::ClickButton(&dialog, "OK");
    EXPECT_EQ(doc->ComDevice[2], "/dev/ttyUSB0");
}

}  // namespace
}  // namespace tarnwick
