#include "EditorTestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <chrono>

namespace tarnwick::test {
namespace {

constexpr int kPollMs = 10;
// How long a dialog may take to open before the test gives up; generous for a loaded machine.
constexpr auto kOpenLimit = std::chrono::seconds(30);

template <class Find, class Act>
void Poll(QWidget* before, std::chrono::steady_clock::time_point deadline, Find find, Act act) {
    QTimer::singleShot(kPollMs, [=] {
        QWidget* now = find();
        if (now != nullptr && now != before) {
            act(now);
            return;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "no dialog or menu opened";
            if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                modal->reject();
            }
            return;
        }
        Poll(before, deadline, find, act);
    });
}

}  // namespace

DialogFixture::DialogFixture() {
    environment_.Set("TARNWICK_CONFIG", dir.File("Tarnwick.conf"));
    store = std::make_unique<SettingsStore>(SettingsStore::DefaultPath());
    doc = std::make_unique<CTarnwickDoc>(store.get());
    doc->OnNewDocument();
}

DialogFixture::~DialogFixture() {
    doc.reset();
    store.reset();
}

bool DialogFixture::Save() {
    return doc->Save();
}

std::string DialogFixture::Stored(const std::string& name) const {
    SettingsStore file(store->Path());
    file.Load();
    return file.GetString(kSettingsSection, name);
}

void WhenModal(std::function<void(QDialog*)> act) {
    Poll(
        QApplication::activeModalWidget(), std::chrono::steady_clock::now() + kOpenLimit,
        [] { return QApplication::activeModalWidget(); },
        [act](QWidget* widget) {
            QPointer<QDialog> dialog = qobject_cast<QDialog*>(widget);
            ASSERT_NE(dialog, nullptr);
            act(dialog);
            if (dialog && dialog->isVisible()) {
                dialog->reject();
            }
        });
}

void WhenPopup(std::function<void(QMenu*)> act) {
    Poll(
        QApplication::activePopupWidget(), std::chrono::steady_clock::now() + kOpenLimit,
        [] { return QApplication::activePopupWidget(); },
        [act](QWidget* widget) {
            QPointer<QMenu> menu = qobject_cast<QMenu*>(widget);
            ASSERT_NE(menu, nullptr);
            act(menu);
            if (menu && menu->isVisible()) {
                menu->close();
            }
        });
}

void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty()) {
        QTest::keyClick(edit, Qt::Key_Delete);
    } else {
        QTest::keyClicks(edit, text);
    }
}

void ClickButton(QWidget* dialog, const QString& text) {
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->text().remove('&') == text) {
            QTest::mouseClick(button, Qt::LeftButton);
            return;
        }
    }
    ADD_FAILURE() << "no button " << text.toStdString();
}

}  // namespace tarnwick::test
