// The dialogs' tests: one QApplication on Qt's offscreen platform for the whole run, with a
// private runtime folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    char runtimeDir[] = "/tmp/tarnwick-editors-XXXXXX";  // mkdtemp makes it 0700
    if (mkdtemp(runtimeDir) == nullptr) {
        return 1;
    }
    setenv("XDG_RUNTIME_DIR", runtimeDir, 1);
    int result = 0;
    {
        QApplication app(argc, argv);
        // Fusion scales its frame pictures on Qt's thread pool, whose ordering ThreadSanitizer
        // cannot see (Qt is not built with it); the plain style draws on this thread only.
        QApplication::setStyle("Windows");
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    std::filesystem::remove_all(runtimeDir, ignored);
    return result;
}
