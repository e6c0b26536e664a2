#include "app/OperatingMenus.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include "app/CMainFrame.h"
#include "app/FrameCommands.h"
#include "editors/CGroupManagerDialog.h"
#include "editors/CPortSettingsDialog.h"
#include "editors/GroupEditing.h"
#include "keyer/KeyerSession.h"
#include "model/CTarnwickDoc.h"

namespace tarnwick {

using namespace CommandId;

static_assert(kLastGroup - kFirstGroup + 1 == kMaxGroups, "one command per list position");

OperatingMenus::OperatingMenus(CMainFrame& frame, CTarnwickDoc& doc, KeyerSession& session,
                               Prompter& prompter, QWidget& view, Hooks hooks)
    : QObject(&view),
      frame_(frame),
      doc_(doc),
      session_(session),
      prompter_(prompter),
      view_(view),
      hooks_(std::move(hooks)) {
    const auto command = [this](int id, auto action) {
        QAction* a = frame_.Action(id);
        a->setEnabled(true);
        connect(a, &QAction::triggered, this, [this, action] {
            action();
            hooks_.changed();
            UpdateMarks();
        });
    };
    command(kCwMode, [this] { session_.SelectCwMode(); });
    command(kPhoneMode, [this] { session_.SelectPhoneMode(); });
    command(kContestPeriod, [this] { session_.SelectContestPeriod(); });
    command(kSequencedPeriod, [this] { session_.SelectSequencedPeriod(); });
    command(kPortSettings, [this] { PortSettings(); });
    // Every value goes through the session, so the rig link, the keying and the receive side
    // take it at once; the frame writes the settings file after OK.
    command(kProgSettings, [this] {
        frame_.OpenProgramSettings([this](std::string_view name, std::string_view text) {
            return session_.ChangeSetting(name, text);
        });
    });
    command(kCwGroups, [this] { ManageGroups(); });
    command(kPhoneGroups, [this] { ManageGroups(); });
    for (QMenu* menu : {frame_.CwGroupMenu(), frame_.PhoneGroupMenu()}) {
        connect(menu, &QMenu::aboutToShow, this, &OperatingMenus::UpdateMarks);
        connect(menu, &QMenu::triggered, this, [this](QAction* action) {
            const int id = action->data().toInt();
            if (id >= kFirstGroup && id <= kLastGroup) {
                EditGroup(id - kFirstGroup);
            }
        });
    }
    BuildGroupMenus();
    UpdateMarks();
}

void OperatingMenus::FillGroupMenu(QMenu* menu, QActionGroup*& group, int first, int count) {
    // Everything after the group manager's item (made by the menu, so the menu's own).
    const QList<QAction*> entries = menu->actions();
    for (qsizetype i = entries.size() - 1; i >= 1; --i) {
        delete entries[i];
    }
    delete group;
    group = new QActionGroup(menu);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    if (count > 0) {
        menu->addSeparator();
    }
    for (int p = first; p < first + count; ++p) {
        QAction* item = menu->addAction(QString::fromStdString(doc_.Groups[p]->Title));
        item->setData(kFirstGroup + p);
        item->setCheckable(true);
        group->addAction(item);
    }
}

void OperatingMenus::BuildGroupMenus() {
    FillGroupMenu(frame_.CwGroupMenu(), cwGroup_, 0, doc_.NCWTitles);
    FillGroupMenu(frame_.PhoneGroupMenu(), phoneGroup_, doc_.NCWTitles, doc_.NPhTitles);
}

void OperatingMenus::UpdateMarks() {
    const bool contest = doc_.Contest == 0;
    frame_.Action(kContestPeriod)->setChecked(contest);
    frame_.Action(kSequencedPeriod)->setChecked(!contest);
    frame_.Action(kCwMode)->setChecked(doc_.Mode == 0);
    frame_.Action(kPhoneMode)->setChecked(doc_.Mode == 1);
    for (QActionGroup* group : {cwGroup_, phoneGroup_}) {
        for (QAction* item : group->actions()) {
            item->setChecked(doc_.IsPeriodDefault(item->data().toInt() - kFirstGroup));
        }
    }
}

void OperatingMenus::EditGroup(int position) {
    const std::string call = hooks_.callText();
    const bool saved =
        doc_.IsCwPosition(position)
            ? EditCwGroup(doc_, position, prompter_, call, &view_)
            : EditPhoneGroup(doc_, position - doc_.NCWTitles, prompter_, call, &view_);
    if (saved) {
        frame_.SaveSettingsNow();
    }
    // Whether or not the editor was closed with OK.
    session_.GenerateStandardMessages();
    hooks_.changed();
    UpdateMarks();
}

void OperatingMenus::ManageGroups() {
    CGroupManagerDialog dialog(doc_, prompter_, hooks_.callText(),
                               {frame_.TitleColumnWidth(), frame_.OtherColumnWidth()}, &view_);
    dialog.exec();
    // However it was closed, the dialog has handed its list to the document.
    frame_.SetColumnWidths(dialog.ColumnWidths().title, dialog.ColumnWidths().other);
    BuildGroupMenus();
    frame_.SaveSettingsNow();
}

void OperatingMenus::PortSettings() {
    CPortSettingsDialog dialog(doc_, prompter_, &view_);
    if (dialog.exec() == QDialog::Accepted) {
        session_.PortSettingsApplied(dialog.AddressChanged());
        frame_.SaveSettingsNow();
    }
}

}  // namespace tarnwick
