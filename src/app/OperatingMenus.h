#pragma once

#include <QObject>
#include <functional>
#include <string>

class QActionGroup;
class QMenu;
class QWidget;

namespace tarnwick {

class CMainFrame;
class CTarnwickDoc;
class KeyerSession;
class Prompter;

// The frame's commands that the operating window carries out besides editing: Period and Mode
// with their check marks, Setup > Port Settings, and the message-group menus (one item per
// group, the period's default marked, each opening the message editor; the group manager at
// the head of each menu).
class OperatingMenus : public QObject {
    Q_OBJECT

public:
    struct Hooks {
        std::function<std::string()> callText;  // the call box, for %T in the editors' checks
        std::function<void()> changed;          // after a command changed the window's state
    };

    OperatingMenus(CMainFrame& frame, CTarnwickDoc& doc, KeyerSession& session, Prompter& prompter,
                   QWidget& view, Hooks hooks);

    // (Re)builds both group menus from the document's list.
    void BuildGroupMenus();
    // The check marks of Period and Mode and the default groups' marks, from the document.
    void UpdateMarks();

private:
    void FillGroupMenu(QMenu* menu, QActionGroup*& group, int first, int count);
    void EditGroup(int position);
    void ManageGroups();
    void PortSettings();

    CMainFrame& frame_;
    CTarnwickDoc& doc_;
    KeyerSession& session_;
    Prompter& prompter_;
    QWidget& view_;
    Hooks hooks_;
    QActionGroup* cwGroup_ = nullptr;
    QActionGroup* phoneGroup_ = nullptr;
};

}  // namespace tarnwick
