// Shows one of the dialogs with sample settings and prints "shown <window id>" once it is on
// screen, for scripts/screenshot-dialogs.sh.
// Usage: show_dialog port|messages|groups|title|program
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>

#include "editors/CGroupManagerDialog.h"
#include "editors/CGroupTitleDialog.h"
#include "editors/CMessageEditorDialog.h"
#include "editors/CPortSettingsDialog.h"
#include "editors/CProgramSettingsDialog.h"
#include "model/CTarnwickDoc.h"
#include "support/RecordingPrompter.h"

namespace {

void SampleSettings(tarnwick::CTarnwickDoc& doc) {
    doc.MyCall = "W1AW";
    doc.ComPort = {1, 5, 0};
    doc.PortMatrix[0][0] = 1;  // COM1: PTT on RTS, CW on DTR
    doc.PortMatrix[0][1] = 2;
    doc.PortMatrix[1][2] = 4;  // COM5: inhibit on CTS
    doc.ComDevice[4] = "/dev/ttyUSB0";
    doc.LptPort[0] = "378";
    doc.Groups[0]->Messages[6] = "{CQ DE %M %M %M}[R:120";  // a typing slip, marked
    doc.AddCwGroup("6M Meteor Scatter");
    doc.AddPhoneGroup("SSB Sprint");
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const char* which = argc > 1 ? argv[1] : "";
    tarnwick::test::RecordingPrompter prompter;
    tarnwick::CTarnwickDoc doc;
    doc.OnNewDocument();
    SampleSettings(doc);

    std::unique_ptr<QDialog> dialog;
    if (std::strcmp(which, "port") == 0) {
        dialog = std::make_unique<tarnwick::CPortSettingsDialog>(doc, prompter);
    } else if (std::strcmp(which, "messages") == 0) {
        auto editor = std::make_unique<tarnwick::CMessageEditorDialog>(
            prompter, tarnwick::CheckContextFor(doc, "DL1ABC"));
        editor->LoadGroup(*doc.Groups[0]);
        dialog = std::move(editor);
    } else if (std::strcmp(which, "groups") == 0) {
        auto manager = std::make_unique<tarnwick::CGroupManagerDialog>(
            doc, prompter, "DL1ABC", tarnwick::GroupColumnWidths{});
        manager->NewTitleEdit()->setText("2M Tropo");
        dialog = std::move(manager);
    } else if (std::strcmp(which, "program") == 0) {
        doc.MyGrid = "FN31pr";
        doc.UseTRX = 1;
        auto settings = std::make_unique<tarnwick::CProgramSettingsDialog>(doc, prompter);
        settings->TestRigLink();  // no daemon runs here: the picture shows the answer
        dialog = std::move(settings);
    } else if (std::strcmp(which, "title") == 0) {
        dialog = std::make_unique<tarnwick::CGroupTitleDialog>("CW Contest");
    } else {
        std::fprintf(stderr, "usage: show_dialog port|messages|groups|title|program\n");
        return 64;
    }
    dialog->move(0, 0);
    dialog->show();
    QTimer::singleShot(300, [&dialog] {
        std::printf("shown %llu\n", static_cast<unsigned long long>(dialog->winId()));
        std::fflush(stdout);
    });
    return app.exec();
}
