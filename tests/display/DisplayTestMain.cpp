// The spectrum display's tests: one QApplication on Qt's offscreen platform for the whole run,
// with a private runtime folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    char runtimeDir[] = "/tmp/tarnwick-display-XXXXXX";  // mkdtemp makes it 0700
    if (mkdtemp(runtimeDir) == nullptr) {
        return 1;
    }
    setenv("XDG_RUNTIME_DIR", runtimeDir, 1);
    int result = 0;
    {
        QApplication app(argc, argv);
        // Drawn on this thread only (Fusion uses Qt's thread pool, which ThreadSanitizer
        // cannot follow).
        QApplication::setStyle("Windows");
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    std::filesystem::remove_all(runtimeDir, ignored);
    return result;
}
