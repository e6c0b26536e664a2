#include <gtest/gtest.h>

#include <string>

#include "keyer/SentTextFit.h"

namespace tarnwick {
namespace {

// Seven pixels per character, as a fixed-width font; counts the measurements.
struct FixedFont {
    int calls = 0;
    TextWidth Width() {
        return [this](std::string_view s) {
            ++calls;
            int chars = 0;
            for (const char c : s) {
                chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
            }
            return 7 * chars;
        };
    }
};

TEST(SentTextFitTest, KeepsTheNewestCharactersThatFitThePane) {
    FixedFont font;
    EXPECT_EQ(SentTextCharsToDrop("CQ TEST", 70, font.Width()), 0u);
    EXPECT_EQ(SentTextCharsToDrop("CQ TEST DE K1ABC", 70, font.Width()), 6u);  // "DE K1ABC" left
    EXPECT_EQ(SentTextCharsToDrop("CQ TEST DE K1ABC", 69, font.Width()), 7u);
    EXPECT_EQ(SentTextCharsToDrop("CQ", 0, font.Width()), 2u) << "a pane with no room";
    EXPECT_EQ(SentTextCharsToDrop("", 0, font.Width()), 0u);

    const std::string longText(5000, 'E');
    font.calls = 0;
    EXPECT_EQ(SentTextCharsToDrop(longText, 350, font.Width()), 5000u - 50u);
    EXPECT_LT(font.calls, 20) << "a few measurements, not one per character";
}

TEST(SentTextFitTest, NeverCutsInsideACharacter) {
    FixedFont font;
    // "Ä" is two bytes: the cut falls before or after it, never between them.
    const std::string text = "AÄÄÄ";
    EXPECT_EQ(SentTextCharsToDrop(text, 14, font.Width()), 3u);  // "ÄÄ" left
    EXPECT_EQ(SentTextCharsToDrop(text, 7, font.Width()), 5u);   // "Ä" left
}

}  // namespace
}  // namespace tarnwick
