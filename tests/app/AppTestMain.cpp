// The window tests: one QApplication for the whole run, on Qt's offscreen platform, with a
// private runtime folder (where the single-instance lock and socket live) and no session bus.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    char runtime[] = "/tmp/tarnwick-app-test-XXXXXX";
    if (mkdtemp(runtime) == nullptr) {
        return 1;
    }
    setenv("XDG_RUNTIME_DIR", runtime, 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", (std::string("unix:path=") + runtime + "/no-bus").c_str(),
           1);
    QApplication application(argc, argv);
    // Tests close windows without ending the run.
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(runtime, ignored);
    return status;
}
