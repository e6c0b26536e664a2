#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "EditorTestSupport.h"
#include "editors/CProgramSettingsDialog.h"
#include "support/RigDaemon.h"

namespace tarnwick {
namespace {

using Form = ProgramSettingsForm;

// Long enough for a loaded machine; the probe itself gives up within three seconds.
constexpr int kAnswerWithinMs = 30000;

class ProgramSettingsDialogTest : public ::testing::Test, public test::DialogFixture {};

TEST_F(ProgramSettingsDialogTest, OkPutsEveryFieldIntoTheSettingsFile) {
    doc->WaveOut = 3;
    doc->WaveOutName = "tw_unplugged";
    CProgramSettingsDialog dialog(*doc, prompter);
    EXPECT_EQ(dialog.SoundList()->currentText(), "tw_unplugged (not present)");
    EXPECT_EQ(dialog.Edit(Form::kTxDelay)->text(), "0.2");
    test::Type(dialog.Edit(Form::kMyCall), "DL1ABC");
    test::Type(dialog.Edit(Form::kMyGrid), "JO62qmx");  // the box takes six characters
    test::Type(dialog.Edit(Form::kTxDelay), "0.5");
    dialog.PriorityList()->setCurrentIndex(5);
    test::Type(dialog.Edit(Form::kDotWgt), "1.2");
    test::Type(dialog.Edit(Form::kDashWgt), "3.5");
    test::Type(dialog.Edit(Form::kLetterSp), "2.5");
    dialog.SoundList()->setCurrentIndex(0);
    dialog.UseTrxBox()->setChecked(true);
    test::Type(dialog.Edit(Form::kTrxHost), "localhost");
    test::Type(dialog.Edit(Form::kTrxPort), "4533");
    test::ClickButton(&dialog, "OK");

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(prompter.Texts().empty());
    EXPECT_TRUE(dialog.RigLinkChanged());
    ASSERT_TRUE(Save());
    EXPECT_EQ(Stored("MyCall"), "DL1ABC");
    EXPECT_EQ(Stored("MyGrid"), "JO62qm");
    EXPECT_EQ(Stored("TXDelay"), "0.500000");
    EXPECT_EQ(Stored("CWPriority"), "5");
    EXPECT_EQ(Stored("DotWgt"), "1.200000");
    EXPECT_EQ(Stored("DashWgt"), "3.500000");
    EXPECT_EQ(Stored("LetterSp"), "2.500000");
    EXPECT_EQ(Stored("WaveOut"), "-1");
    EXPECT_EQ(Stored("WaveOutName"), "");
    EXPECT_EQ(Stored("UseTRX"), "1");
    EXPECT_EQ(Stored("TrxHost"), "localhost");
    EXPECT_EQ(Stored("TrxPort"), "4533");

    // Opened again and confirmed unchanged, the link is left alone.
    CProgramSettingsDialog again(*doc, prompter);
    EXPECT_EQ(again.PriorityList()->currentText(), "Highest");
    test::ClickButton(&again, "OK");
    EXPECT_EQ(again.result(), QDialog::Accepted);
    EXPECT_FALSE(again.RigLinkChanged());
}

TEST_F(ProgramSettingsDialogTest, ABadNumberKeepsTheDialogOpenAndCancelStoresNothing) {
    doc->WaveOut = 0;
    doc->WaveOutName = "tw_unplugged";
    CProgramSettingsDialog dialog(*doc, prompter);
    test::Type(dialog.Edit(Form::kMyCall), "DL1ABC");
    test::Type(dialog.Edit(Form::kTxDelay), "0,5");
    test::Type(dialog.Edit(Form::kMyGrid), "JO62");
    dialog.PriorityList()->setCurrentIndex(0);
    test::Type(dialog.Edit(Form::kDashWgt), "4");
    dialog.SoundList()->setCurrentIndex(0);
    test::ClickButton(&dialog, "OK");
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(doc->MyCall, "MYCALL");

    // Defaults reads up to the refused delay: it and the grid and priority read after it show
    // their last accepted values, the weights their defaults.
    test::ClickButton(&dialog, "Defaults");
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{"Please enter a number.", "Please enter a number."}));
    EXPECT_EQ(dialog.Edit(Form::kMyCall)->text(), "DL1ABC");
    EXPECT_EQ(dialog.Edit(Form::kTxDelay)->text(), "0.2");
    EXPECT_EQ(dialog.Edit(Form::kMyGrid)->text(), "EM00mm");
    EXPECT_EQ(dialog.PriorityList()->currentText(), "High");
    EXPECT_EQ(dialog.Edit(Form::kDashWgt)->text(), "3.0");

    test::Type(dialog.Edit(Form::kTrxPort), "0");
    test::ClickButton(&dialog, "OK");
    EXPECT_EQ(prompter.Texts().back(), "Please enter an integer between 1 and 65535.");
    test::ClickButton(&dialog, "Cancel");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    ASSERT_TRUE(Save());
    EXPECT_EQ(Stored("MyCall"), "MYCALL");
    EXPECT_EQ(Stored("WaveOut"), "0");
    EXPECT_EQ(Stored("WaveOutName"), "tw_unplugged");
    EXPECT_EQ(Stored("TrxPort"), "4532");
}

// The daemon is asked on a thread of the dialog's own: the window goes on while a silent
// daemon holds the question, a second press is ignored, and the dialog may close meanwhile.
TEST_F(ProgramSettingsDialogTest, TestShowsTheRadiosFrequencyWithoutHoldingTheWindow) {
    test::RigDaemon daemon;
    ASSERT_TRUE(daemon.Running());
    const QString port = QString::number(daemon.Port());
    auto dialog = std::make_unique<CProgramSettingsDialog>(*doc, prompter);
    auto testAndWait = [&dialog] {
        test::ClickButton(dialog.get(), "Test");
        return QTest::qWaitFor([&] { return dialog->RigTestButton()->isEnabled(); },
                               kAnswerWithinMs);
    };
    test::Type(dialog->Edit(Form::kTrxPort), port);
    EXPECT_TRUE(testAndWait());
    EXPECT_EQ(dialog->RigTestResult()->text(), "The radio is on 145.000000 MHz");

    const QString nobody = QString::number(test::FreeLoopbackPort());
    test::Type(dialog->Edit(Form::kTrxPort), nobody);
    EXPECT_TRUE(testAndWait());
    EXPECT_EQ(dialog->RigTestResult()->text(),
              "Cannot connect to the rig-control daemon at 127.0.0.1:" + nobody);
    EXPECT_EQ(doc->TrxPort, 4532) << "testing stores nothing";

    // Last, so that no later connection meets the daemon dropping this one.
    daemon.Stop();
    test::Type(dialog->Edit(Form::kTrxPort), port);
    test::ClickButton(dialog.get(), "Test");
    EXPECT_FALSE(dialog->RigTestButton()->isEnabled());
    const QString asking = dialog->RigTestResult()->text();
    EXPECT_TRUE(asking.startsWith("Asking 127.0.0.1 port " + port)) << asking.toStdString();
    dialog->TestRigLink();
    EXPECT_EQ(dialog->RigTestResult()->text(), asking);
    dialog.reset();
    daemon.Continue();
}

}  // namespace
}  // namespace tarnwick
