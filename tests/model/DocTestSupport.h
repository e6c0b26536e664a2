#pragma once

#include <string>

#include "model/CTarnwickDoc.h"

namespace tarnwick {

// Checks the invariants every document operation must keep.
void ExpectValidGroupList(const CTarnwickDoc& doc);

// Writes the store's file with the given contents and loads it.
class SettingsStore;
void LoadStoreWith(SettingsStore& store, const std::string& content);

}  // namespace tarnwick
