#pragma once

#include <memory>

#include "model/CTarnwickDoc.h"
#include "model/SettingsStore.h"

namespace tarnwick::cli {

// The document as the desktop program sees it at start-up: the defaults with the real settings
// file read over them. Nothing is written back unless Save() is called.
class StoredDocument {
public:
    StoredDocument();
    CTarnwickDoc& Doc() { return *doc_; }
    SettingsStore& Store() { return store_; }
    // Puts every setting into the store and writes the file once; false (with the reason on
    // stderr) when that failed.
    bool Save();

private:
    SettingsStore store_;
    std::unique_ptr<CTarnwickDoc> doc_;
};

}  // namespace tarnwick::cli
