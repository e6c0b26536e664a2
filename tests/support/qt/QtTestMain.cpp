// The main of the Qt test programs: one QApplication for the whole run on Qt's offscreen
// platform (unless the environment names another), with a private runtime folder (where the
// single-instance lock and socket live) and no session bus. TARNWICK_QT_TEST_NAME names the
// program's runtime folder; with TARNWICK_QT_TEST_PLAIN_STYLE set, widgets draw in Qt's plain
// "Windows" style: Fusion scales its frame pictures on Qt's thread pool, whose ordering
// ThreadSanitizer cannot see (Qt is not built with it), while the plain style draws on this
// thread only.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    char runtime[] = "/tmp/tarnwick-" TARNWICK_QT_TEST_NAME "-XXXXXX";  // mkdtemp makes it 0700
    if (mkdtemp(runtime) == nullptr) {
        return 1;
    }
    setenv("XDG_RUNTIME_DIR", runtime, 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", (std::string("unix:path=") + runtime + "/no-bus").c_str(),
           1);
    int status = 0;
    {
        QApplication application(argc, argv);
        if (TARNWICK_QT_TEST_PLAIN_STYLE) {
            QApplication::setStyle("Windows");
        }
        // Tests close windows without ending the run.
        QApplication::setQuitOnLastWindowClosed(false);
        ::testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    std::filesystem::remove_all(runtime, ignored);
    return status;
}
