#include "DocTestSupport.h"

#include <gtest/gtest.h>

#include "model/SettingsStore.h"
#include "support/ScratchDir.h"

namespace tarnwick {

void ExpectValidGroupList(const CTarnwickDoc& doc) {
    EXPECT_GE(doc.NCWTitles, 1);
    EXPECT_GE(doc.NPhTitles, 1);
    EXPECT_EQ(doc.Groups.size(), static_cast<size_t>(doc.NCWTitles + doc.NPhTitles));
    EXPECT_LE(doc.Groups.size(), static_cast<size_t>(kMaxGroups));
    for (const auto& group : doc.Groups) {
        EXPECT_NE(group, nullptr);
    }
    EXPECT_TRUE(doc.IsCwPosition(doc.ActivCWContStr));
    EXPECT_TRUE(doc.IsCwPosition(doc.ActivCWSeqStr));
    EXPECT_TRUE(doc.IsPhonePosition(doc.ActivPhContStr));
    EXPECT_TRUE(doc.IsPhonePosition(doc.ActivPhSeqStr));
}

void LoadStoreWith(SettingsStore& store, const std::string& content) {
    test::ScratchDir::Write(store.Path(), content);
    ASSERT_TRUE(store.Load());
}

}  // namespace tarnwick
