#include "OperatingViewRig.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <map>

#include "app/AppTestSupport.h"

namespace tarnwick::test {

BoxAnswerer::BoxAnswerer() {
    connect(&poll_, &QTimer::timeout, this, [this] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box != nullptr && box->isVisible()) {
                texts << box->text();
                box->done(QMessageBox::Cancel);
            }
        }
    });
    poll_.start(5);
}

OperatingViewRig::OperatingViewRig(const std::vector<std::string>& settings, int64_t startSeconds,
                                   TimeBase* keyingTime, bool receive)
    : store(dir.File("Tarnwick.conf")),
      doc(&store),
      clock((startSeconds != 0 ? startSeconds : UtcSeconds(2026, 12, 6, 12, 0, 0)) * kNsPerSecond +
            kNsPerSecond / 2) {
    std::map<std::string, std::string> values = {
        {"ComPort1", "1"}, {"PortMatrix[0][0]", "1"}, {"PortMatrix[0][1]", "2"},
        {"TXDelay", "0"},  {"CWRate", "50"},          {"CWInd", "0"}};
    for (const std::string& s : settings) {
        const size_t equals = s.find('=');
        values[s.substr(0, equals)] = s.substr(equals + 1);
    }
    std::string file = "[Settings]\n";
    for (const auto& [name, value] : values) {
        file += name + "=" + value + "\n";
    }
    ScratchDir::Write(store.Path(), file);
    doc.OnNewDocument();
    frame = std::make_unique<CMainFrame>(doc, store, prompter, RealTime());
    view = new COperatingView({*frame, doc, prompter, keyingTime != nullptr ? *keyingTime : time,
                               clock, hardware, receive});
    frame->SetOperatingView(view, view);
    frame->show();
    Activate();
}

OperatingViewRig::~OperatingViewRig() {
    frame.reset();
}

void OperatingViewRig::Activate() {
    // The keys and the edit commands follow the focus, which only an active window has; with
    // no window manager nothing gives it back after a message box.
    if (QApplication::activeWindow() == frame.get()) {
        return;
    }
    frame->activateWindow();
    QApplication::setActiveWindow(frame.get());
    if (!QTest::qWaitForWindowActive(frame.get())) {
        ADD_FAILURE() << "the window did not become active";
    }
}

QLineEdit* OperatingViewRig::Box(int id) const {
    return Control<QLineEdit>(id);
}

void OperatingViewRig::Tick() {
    clock.AdvanceNs(int64_t{view->Session().MsUntilNextTick()} * kNsPerMs);
    view->ClockTick();
}

bool OperatingViewRig::PumpUntilIdle() {
    return ProcessEventsUntil([this] { return !view->Session().Transmitting(); });
}

void OperatingViewRig::TypeAndLeave(QLineEdit* box, const QString& text) {
    Activate();
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    // Any other control: the report box is always there.
    QLineEdit* other = Box(box == Box(1032) ? 1006 : 1032);
    other->setFocus();
}

void OperatingViewRig::Press(QWidget* target, int key) {
    QTest::keyClick(target, static_cast<Qt::Key>(key));
}

bool OperatingViewRig::PttUp() const {
    const auto port = hardware.OpenPort(kPort);
    return port != nullptr && port->Rts();
}

std::vector<std::string> OperatingViewRig::PttLog() const {
    return hardware.LineChanges(kPort, "rts");
}

std::string OperatingViewRig::StoredValue(const std::string& name) {
    frame->SaveSettingsNow();
    SettingsStore fresh(store.Path());
    fresh.Load();
    return fresh.GetString("Settings", name);
}

}  // namespace tarnwick::test
