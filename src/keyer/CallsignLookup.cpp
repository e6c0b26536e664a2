#include "keyer/CallsignLookup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tarnwick {

namespace {

constexpr std::string_view kLineEnds = "\r\n";
constexpr std::string_view kBlanks = " \t\v\f";

char FoldCase(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameCall(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldCase(x) == FoldCase(y);
           });
}

// The next blank-separated token of `line` from `*at` on; empty at the end of the line.
std::string_view NextToken(std::string_view line, size_t* at) {
    const size_t from = line.find_first_not_of(kBlanks, *at);
    if (from == std::string_view::npos) {
        *at = line.size();
        return {};
    }
    const size_t to = std::min(line.find_first_of(kBlanks, from), line.size());
    *at = to;
    return line.substr(from, to - from);
}

}  // namespace

std::optional<std::string> LookUpGrid(std::string_view text, std::string_view call) {
    size_t from = 0;
    while (from < text.size()) {
        const size_t end = std::min(text.find_first_of(kLineEnds, from), text.size());
        const std::string_view line = text.substr(from, end - from);
        from = end + 1;
        size_t at = 0;
        const std::string_view first = NextToken(line, &at);
        const std::string_view second = NextToken(line, &at);
        if (!second.empty() && SameCall(first, call)) {
            return std::string(second);
        }
    }
    return std::nullopt;
}

std::optional<std::string> LookUpGridInFile(const std::string& path, std::string_view call,
                                            size_t maxBytes) {
    maxBytes = std::min(maxBytes, kMaxCallsignFileBytes);
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return std::nullopt;
    }
    std::string text;
    text.resize(std::min(static_cast<size_t>(std::max<off_t>(st.st_size, 0)), maxBytes) + 1);
    size_t got = 0;
    bool failed = false;
    // One byte more than the bound tells whether the file goes on beyond it.
    while (got < maxBytes + 1) {
        if (got == text.size()) {
            text.resize(std::min(text.size() * 2, maxBytes + 1));  // it grew since fstat
        }
        const ssize_t n = read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            failed = n < 0;
            break;
        }
        got += static_cast<size_t>(n);
    }
    close(fd);
    if (failed) {
        return std::nullopt;
    }
    text.resize(got);
    if (got > maxBytes) {
        // Cut at the last line end within the bound (or just after it): the line the bound
        // splits is not read.
        const size_t lastEnd = text.find_last_of(kLineEnds, maxBytes);
        text.resize(lastEnd == std::string::npos ? 0 : lastEnd);
    }
    return LookUpGrid(text, call);
}

}  // namespace tarnwick
