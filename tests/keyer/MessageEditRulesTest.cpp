#include <gtest/gtest.h>

#include "keyer/MessageEditRules.h"

namespace tarnwick {
namespace {

TextRange DoubleClick(std::u16string_view text, int position) {
    return NarrowToFileName(text, WordAt(text, position));
}

TEST(MessageEditRules, DoubleClickNarrowsToTheFileNameBetweenBrackets) {
    // The edit selects the whole blank-free run; its middle lies inside the name.
    const std::u16string voice = u"{{MSvoiceCQ.wav}[I]}[R:30]";
    EXPECT_EQ(WordAt(voice, 3), (TextRange{0, 26}));
    EXPECT_EQ(DoubleClick(voice, 3), (TextRange{2, 15}));
    // The middle falls on a closing brace: an empty run at that place.
    EXPECT_EQ(DoubleClick(u"{{MS73.wav}[I]}[R:30]", 4), (TextRange{10, 10}));
    // Blanks end the word; a word without brackets is taken whole.
    EXPECT_EQ(DoubleClick(u"CQ {{cq.wav}[I]} DE", 6), (TextRange{5, 11}));
    EXPECT_EQ(DoubleClick(u"CQ TEST.wav", 5), (TextRange{3, 11}));
    // On a blank there is no word.
    EXPECT_EQ(WordAt(u"A  B", 2), (TextRange{2, 2}));
}

TEST(MessageEditRules, ChosenFilesAreNamedRelativeToTheBaseFolderOnly) {
    EXPECT_EQ(ShortenFileName("/home/op/keyer/cq.wav", "/home/op/keyer"), "cq.wav");
    EXPECT_EQ(ShortenFileName("/home/op/keyer/voice/cq.wav", "/home/op/keyer/"), "voice/cq.wav");
    // A folder that only starts like the base, or lies elsewhere, keeps its full path: made
    // relative it would name another file.
    EXPECT_EQ(ShortenFileName("/home/op/keyer2/cq.wav", "/home/op/keyer"),
              "/home/op/keyer2/cq.wav");
    EXPECT_EQ(ShortenFileName("/tmp/cq.wav", "/home/op/keyer"), "/tmp/cq.wav");
    EXPECT_EQ(ShortenFileName("/tmp/cq.wav", ""), "/tmp/cq.wav");
}

TEST(MessageEditRules, FileDialogStartsInTheSelectedNamesFolder) {
    const FileDialogStart plain = FileDialogStartFor("cq.wav", "/work");
    EXPECT_EQ(plain.directory, "/work");
    EXPECT_EQ(plain.fileName, "cq.wav");
    const FileDialogStart relative = FileDialogStartFor("voice/cq.wav", "/work/");
    EXPECT_EQ(relative.directory, "/work/voice");
    EXPECT_EQ(relative.fileName, "cq.wav");
    const FileDialogStart absolute = FileDialogStartFor("/srv/wav/cq.wav", "/work");
    EXPECT_EQ(absolute.directory, "/srv/wav");
    EXPECT_EQ(absolute.fileName, "cq.wav");
    EXPECT_EQ(FileDialogStartFor("/cq.wav", "/work").directory, "/");
}

TEST(MessageEditRules, CommandEnabling) {
    EditFocus edit;
    edit.isEdit = true;
    edit.clipboardHasText = true;
    for (int id : {kCmdUndo, kCmdCut, kCmdCopy, kCmdReplaceFile}) {
        EXPECT_FALSE(EditCommandEnabled(id, edit)) << id;
    }
    EXPECT_TRUE(EditCommandEnabled(kCmdPaste, edit));
    // The context menu leaves Paste and Replace Selected File enabled whatever the state.
    EXPECT_TRUE(ContextCommandEnabled(kCmdReplaceFile, edit));
    EXPECT_TRUE(ContextCommandEnabled(kCmdPaste, EditFocus{true, false, false, true, false}));
    EXPECT_FALSE(EditCommandEnabled(kCmdPaste, EditFocus{true, false, false, true, true}));

    edit.hasSelection = true;
    edit.canUndo = true;
    for (int id : {kCmdUndo, kCmdCut, kCmdCopy, kCmdReplaceFile}) {
        EXPECT_TRUE(EditCommandEnabled(id, edit)) << id;
        EXPECT_TRUE(ContextCommandEnabled(id, edit)) << id;
    }
    // Nothing is enabled when the focus is not in an edit box.
    edit.isEdit = false;
    EXPECT_FALSE(EditCommandEnabled(kCmdCopy, edit));
}

TEST(MessageEditRules, DurationMustBeAWholeNumber) {
    EXPECT_EQ(ParseWholeNumber(" 120 "), 120);
    EXPECT_EQ(ParseWholeNumber("-5"), -5);
    EXPECT_EQ(ParseWholeNumber("2147483647"), 2147483647);
    for (const char* bad : {"", " ", "12a", "1.5", "--1", "2147483648", "99999999999999999999"}) {
        EXPECT_FALSE(ParseWholeNumber(bad).has_value()) << bad;
    }
}

}  // namespace
}  // namespace tarnwick
