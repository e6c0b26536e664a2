// Feeds arbitrary bytes to the settings reader as a settings file: it is loaded into a store and
// a document, saved back and loaded once more. Nothing may crash, and the group list must come
// out consistent whatever the file held.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/CTarnwickDoc.h"
#include "model/SettingsStore.h"

namespace {

std::string MakeWorkDirectory() {
    // TMPDIR may point at a tmpfs: every run syncs its file, which is slow on a disk.
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") +
                          "/tarnwick-settings-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        abort();
    }
    return pattern;
}

const std::string& WorkDirectory() {
    static const std::string dir = MakeWorkDirectory();
    // Registered after dir is built, so it runs before dir is destroyed.
    static const int removeAtExit = std::atexit([] { rmdir(WorkDirectory().c_str()); });
    (void)removeAtExit;
    return dir;
}

bool Consistent(const tarnwick::CTarnwickDoc& doc) {
    return doc.NCWTitles >= 1 && doc.NPhTitles >= 1 &&
           doc.Groups.size() == static_cast<size_t>(doc.NCWTitles + doc.NPhTitles) &&
           doc.Groups.size() <= static_cast<size_t>(tarnwick::kMaxGroups) &&
           doc.IsCwPosition(doc.ActivCWContStr) && doc.IsCwPosition(doc.ActivCWSeqStr) &&
           doc.IsPhonePosition(doc.ActivPhContStr) && doc.IsPhonePosition(doc.ActivPhSeqStr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = WorkDirectory() + "/Tarnwick.conf";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        abort();
    }
    if (size > 0 && std::fwrite(data, 1, size, file) != size) {
        abort();
    }
    std::fclose(file);

    tarnwick::SettingsStore store(path);
    store.Load();
    tarnwick::CTarnwickDoc doc;
    doc.OnNewDocument();
    doc.LoadSettings(store);
    if (!Consistent(doc)) {
        abort();
    }
    if (!doc.SaveSettings(store)) {
        abort();  // a file we could load must be writable back
    }

    // What was written must read back to the same document.
    tarnwick::SettingsStore reread(path);
    if (!reread.Load()) {
        abort();
    }
    tarnwick::CTarnwickDoc again;
    again.OnNewDocument();
    again.LoadSettings(reread);
    if (!Consistent(again) || again.Groups.size() != doc.Groups.size() ||
        again.MyCall != doc.MyCall || again.ActivPhSeqStr != doc.ActivPhSeqStr) {
        abort();
    }
    for (size_t n = 0; n < doc.Groups.size(); ++n) {
        if (again.Groups[n]->Title != doc.Groups[n]->Title && !doc.Groups[n]->Title.empty()) {
            abort();
        }
    }
    unlink(path.c_str());
    return 0;
}
