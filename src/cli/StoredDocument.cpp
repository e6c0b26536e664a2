#include "cli/StoredDocument.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tarnwick::cli {

StoredDocument::StoredDocument() : store_(SettingsStore::DefaultPath()) {
    if (!store_.Load()) {
        std::fprintf(stderr, "tarnwick-cli: cannot read %s; using the defaults\n",
                     store_.Path().c_str());
    }
    // No store is handed to the document: it must not write the file back on its own.
    doc_ = std::make_unique<CTarnwickDoc>();
    doc_->OnNewDocument();
    doc_->LoadSettings(store_);
}

bool StoredDocument::Save() {
    doc_->StoreSettings(store_);
    if (!store_.Flush()) {
        std::fprintf(stderr, "tarnwick-cli: cannot write %s: %s\n", store_.Path().c_str(),
                     std::strerror(errno));
        return false;
    }
    return true;
}

}  // namespace tarnwick::cli
