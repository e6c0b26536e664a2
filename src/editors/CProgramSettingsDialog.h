#pragma once

#include <QDialog>
#include <QTimer>
#include <array>
#include <functional>
#include <string_view>

#include "keyer/ProgramSettingsForm.h"
#include "keyer/SettingEditor.h"
#include "platform/BackgroundJob.h"
#include "platform/ThreadPriority.h"
#include "trx/RigProbe.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarnwick {

class CTarnwickDoc;
class Prompter;

// Puts one checked setting into effect: the keyer session's ChangeSetting, which also acts on
// the change (the rig link follows UseTRX), or the document's alone.
using SettingChanger = std::function<SettingChange(std::string_view name, std::string_view text)>;

// "Program Settings": own call and grid, TX delay, CW sending priority, the CW weights, the
// sound card for phone output, the rig link's use and where its daemon listens. Works on
// copies (ProgramSettingsForm); OK reads and checks every control (the first refusal is shown
// through the prompter and the dialog stays open) and puts every value into effect through
// the changer. The caller saves the settings file afterwards. Cancel changes nothing.
//
// Nothing here waits on the window's thread: "Test" asks the rig-control daemon for the
// radio's frequency on a thread of its own, and whether real-time keying is to be had is
// found out the same way when the dialog opens.
class CProgramSettingsDialog : public QDialog {
    Q_OBJECT

public:
    // Without a changer, settings go into the document through its schema alone.
    CProgramSettingsDialog(CTarnwickDoc& doc, Prompter& prompter, QWidget* parent = nullptr,
                           SettingChanger change = {});
    ~CProgramSettingsDialog() override;

    // True after OK when the rig link's use, or its address while in use, changed (the
    // changer has then already switched UseTRX; a caller with a bare engine syncs its link).
    bool RigLinkChanged() const { return rigLinkChanged_; }

    // The edit box of a control read into the form; null for the list and the check box.
    QLineEdit* Edit(ProgramSettingsForm::Control control) const { return edits_[control]; }
    QComboBox* PriorityList() const { return priority_; }
    QComboBox* SoundList() const { return sound_; }
    QCheckBox* UseTrxBox() const { return useTrx_; }
    QPushButton* RigTestButton() const { return rigTest_; }
    QLabel* RigTestResult() const { return rigResult_; }
    QLabel* RealtimeNote() const { return realtimeNote_; }

public slots:
    void accept() override;
    void RestoreDefaults();
    // Asks the daemon at the typed address; ignored while an earlier test still runs.
    void TestRigLink();

private:
    void BuildLayout();
    QLineEdit* AddEdit(ProgramSettingsForm::Control control, int controlId, const char* tip);
    ProgramSettingsForm::Texts ShownTexts() const;
    void ShowCopies();
    void FocusControl(ProgramSettingsForm::Control control);
    // Picks up whatever the background jobs finished.
    void CollectResults();
    void FitHeight();

    Prompter& prompter_;
    SettingChanger change_;
    ProgramSettingsForm form_;
    std::array<QLineEdit*, ProgramSettingsForm::kControlCount> edits_{};
    QComboBox* priority_ = nullptr;
    QComboBox* sound_ = nullptr;
    QCheckBox* useTrx_ = nullptr;
    QPushButton* rigTest_ = nullptr;
    QLabel* rigResult_ = nullptr;
    QLabel* realtimeNote_ = nullptr;
    BackgroundJob<RigProbeResult> rigJob_;
    BackgroundJob<SchedulingReport> realtimeJob_;
    QTimer poll_;
    bool rigLinkChanged_ = false;
};

}  // namespace tarnwick
