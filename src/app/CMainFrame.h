#pragma once

#include <QHash>
#include <QMainWindow>

#include "app/AutoSave.h"
#include "editors/CProgramSettingsDialog.h"
#include "model/WindowPos.h"

class QLabel;
class QMenu;
class QToolBar;

namespace tarnwick {

class CTarnwickDoc;
class OperatingViewHooks;
class Prompter;
class SettingsStore;
class TimeBase;

// The top-level window: menu, toolbar, status bar with the transmitted-CW pane, the commands
// that belong to no view (sound recorder, function-key list, help, About), the hand-over of
// the rig's end-of-sending report, saving while the program runs and the window placement on
// close. The operating view fills the central area once it is given (SetOperatingView);
// OperatingViewHooks lists how the two talk.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kSentTextPaneId = 101;
    static constexpr const char* kSentTextPaneText = "Transmitted CW text prints out here";
    static constexpr const char* kIdleMessage = "Ready";
    // The group manager's column widths when none are stored.
    static constexpr int kDefaultTitleColumnWidth = 108;
    static constexpr int kDefaultOtherColumnWidth = 50;

    CMainFrame(CTarnwickDoc& doc, SettingsStore& store, Prompter& prompter, TimeBase& time,
               QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The view becomes the central widget (the frame owns it from now on); `hooks` (usually
    // the view itself) must live as long as the view.
    void SetOperatingView(QWidget* view, OperatingViewHooks* hooks);
    QWidget* OperatingView() const { return centralWidget(); }

    // The action with this command id (menu and toolbar share it), or null.
    QAction* Action(int commandId) const { return actions_.value(commandId); }
    QMenu* CwGroupMenu() const { return cwGroupMenu_; }
    QMenu* PhoneGroupMenu() const { return phoneGroupMenu_; }
    QToolBar* ToolBar() const { return toolBar_; }
    QLabel* SentTextPane() const { return sentTextPane_; }
    QLabel* MessagePane() const { return messagePane_; }

    // A stored placement from start-up: the window's rectangle and state, and the group
    // manager's column widths.
    void ApplyWindowPos(const WindowPos& pos);
    // What the close writes as "WindowPos".
    WindowPos CurrentWindowPos() const;
    int TitleColumnWidth() const { return titleColumnWidth_; }
    int OtherColumnWidth() const { return otherColumnWidth_; }
    void SetColumnWidths(int titleWidth, int otherWidth);

    AutoSave& Saver() { return saver_; }

    // Setup > Prog Settings, carried out for the view (it connects the command): the program
    // settings dialog over the document, each value put into effect by `change` (the keyer
    // session's ChangeSetting, so that the rig link follows UseTRX), and the settings file
    // written at once after OK. True after OK.
    bool OpenProgramSettings(const SettingChanger& change);

public slots:
    // Shows the end of the view's transmitted-CW text that fits the pane and cuts the text
    // by what does not.
    void RefreshSentTextPane();
    // The rig-control program reported the end of its sending.
    void TrxSendingDone();
    // A later start of the program: restore, raise and activate (and any open dialog).
    void BringToFront();
    // A stored field changed: the settings file is written shortly.
    void SettingsChanged();
    // A dialog's OK: the settings file is written now.
    bool SaveSettingsNow();

    void OpenSoundRecorder();
    void ShowFunctionKeys();
    void ShowHelpTopics();
    void ShowAbout();

signals:
    // The window's first show has been handled.
    void FirstShown();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QAction* AddCommand(QMenu* menu, int id, const QString& text);
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void ShowSaveResult(bool ok);

    CTarnwickDoc& doc_;
    SettingsStore& store_;
    Prompter& prompter_;
    AutoSave saver_;
    OperatingViewHooks* hooks_ = nullptr;
    QHash<int, QAction*> actions_;
    QMenu* cwGroupMenu_ = nullptr;
    QMenu* phoneGroupMenu_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* messagePane_ = nullptr;
    QLabel* sentTextPane_ = nullptr;
    QWidget* helpDialog_ = nullptr;
    int titleColumnWidth_ = kDefaultTitleColumnWidth;
    int otherColumnWidth_ = kDefaultOtherColumnWidth;
    bool shown_ = false;
};

}  // namespace tarnwick
