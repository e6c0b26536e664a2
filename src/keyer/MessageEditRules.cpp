#include "keyer/MessageEditRules.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace tarnwick {
namespace {

bool IsBracket(char16_t c) {
    return c == u'{' || c == u'}' || c == u'[' || c == u']';
}

bool IsBlankUnit(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

}  // namespace

TextRange WordAt(std::u16string_view text, int position) {
    const int size = static_cast<int>(text.size());
    int start = std::clamp(position, 0, size);
    int end = start;
    while (start > 0 && !IsBlankUnit(text[start - 1])) {
        --start;
    }
    while (end < size && !IsBlankUnit(text[end])) {
        ++end;
    }
    return {start, end};
}

TextRange NarrowToFileName(std::u16string_view text, TextRange selection) {
    const int size = static_cast<int>(text.size());
    const int from = std::clamp(selection.start, 0, size);
    const int to = std::clamp(selection.end, from, size);
    if (from == to) {
        return {from, to};
    }
    const int middle = (from + to) / 2;
    if (IsBracket(text[middle])) {
        return {middle, middle};
    }
    int start = middle;
    while (start > from && !IsBracket(text[start - 1])) {
        --start;
    }
    int end = middle;
    while (end < to && !IsBracket(text[end])) {
        ++end;
    }
    return {start, end};
}

FileDialogStart FileDialogStartFor(const std::string& selected, const std::string& currentDir) {
    const size_t slash = selected.rfind('/');
    if (slash == std::string::npos) {
        return {currentDir, selected};
    }
    std::string folder = slash == 0 ? std::string(1, '/') : selected.substr(0, slash);
    if (folder.front() != '/') {
        folder = WithoutTrailingSlashes(currentDir) + "/" + folder;
    }
    return {folder, selected.substr(slash + 1)};
}

std::string ShortenFileName(const std::string& chosenPath, const std::string& baseDir) {
    const std::string base = WithoutTrailingSlashes(baseDir);
    if (base.empty() || base == "/") {
        return chosenPath;
    }
    const bool underBase = chosenPath.size() > base.size() &&
                           chosenPath.compare(0, base.size(), base) == 0 &&
                           chosenPath[base.size()] == '/';
    if (!underBase) {
        return chosenPath;
    }
    size_t from = base.size();
    while (
        from < chosenPath.size() &&
        (chosenPath[from] == '/' || std::isspace(static_cast<unsigned char>(chosenPath[from])))) {
        ++from;
    }
    return chosenPath.substr(from);
}

bool EditCommandEnabled(int commandId, const EditFocus& focus) {
    if (!focus.isEdit) {
        return false;
    }
    switch (commandId) {
        case kCmdUndo:
            return focus.canUndo;
        case kCmdCut:
        case kCmdCopy:
        case kCmdReplaceFile:
            return focus.hasSelection;
        case kCmdPaste:
            return !focus.readOnly && focus.clipboardHasText;
        default:
            return false;
    }
}

bool ContextCommandEnabled(int commandId, const EditFocus& focus) {
    switch (commandId) {
        case kCmdUndo:
            return focus.canUndo;
        case kCmdCut:
        case kCmdCopy:
            return focus.hasSelection;
        case kCmdPaste:
        case kCmdReplaceFile:
            return true;
        default:
            return false;
    }
}

std::optional<int> ParseWholeNumber(std::string_view text) {
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
        }
    };
    skipBlanks();
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const size_t digits = i;
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            return std::nullopt;
        }
    }
    if (i == digits) {
        return std::nullopt;
    }
    skipBlanks();
    if (i != text.size()) {
        return std::nullopt;
    }
    value = negative ? -value : value;
    if (value > INT_MAX || value < INT_MIN) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::string MessageMenuCaption(const std::string& title) {
    return "Current Macros for Menu " + title + ":";
}

}  // namespace tarnwick
