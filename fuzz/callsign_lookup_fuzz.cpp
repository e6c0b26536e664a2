// Feeds arbitrary bytes to the call-sign list look-up as the list's text, looking up the
// input's first line and its first token as calls, and compares every answer with a reference
// written the plain way (a byte-by-byte scan). The same text is then written to a file and
// looked up through the file reader with a bound taken from the input's last byte, which must
// answer as the reference does on the lines that end within the bound.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "keyer/CallsignLookup.h"

namespace {

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

// Lines end at CR or LF; only lines that end at or before `limit` count (a line ends where its
// line-end byte is, or at the end of the text).
std::optional<std::string> Reference(std::string_view text, std::string_view call, size_t limit) {
    std::string tokens[2];
    int count = 0;
    bool inToken = false;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || IsLineEnd(text[i])) {
            if (i > limit) {
                return std::nullopt;
            }
            bool same = count >= 2 && tokens[0].size() == call.size();
            for (size_t k = 0; same && k < call.size(); ++k) {
                same = Upper(tokens[0][k]) == Upper(call[k]);
            }
            if (same) {
                return tokens[1];
            }
            tokens[0].clear();
            tokens[1].clear();
            count = 0;
            inToken = false;
        } else if (IsBlank(text[i])) {
            inToken = false;
        } else {
            if (!inToken) {
                ++count;
                inToken = true;
            }
            if (count <= 2) {
                tokens[count - 1].push_back(text[i]);
            }
        }
    }
    return std::nullopt;
}

std::string MakeWorkDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") +
                          "/tarnwick-callsign-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        abort();
    }
    return pattern;
}

const std::string& WorkDirectory() {
    static const std::string dir = MakeWorkDirectory();
    static const int removeAtExit = std::atexit([] {
        unlink((WorkDirectory() + "/" + tarnwick::kCallsignFileName).c_str());
        rmdir(WorkDirectory().c_str());
    });
    (void)removeAtExit;
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string_view firstLine = text.substr(0, std::min(text.find('\n'), text.size()));
    const std::string_view firstToken = firstLine.substr(0, firstLine.find(' '));

    const std::string path = WorkDirectory() + "/" + tarnwick::kCallsignFileName;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size)) {
        abort();
    }
    std::fclose(file);
    const size_t bound = size == 0 ? 0 : size * data[size - 1] / 255;

    for (const std::string_view call : {firstLine, firstToken}) {
        if (tarnwick::LookUpGrid(text, call) != Reference(text, call, size)) {
            abort();
        }
        const size_t limit = bound >= size ? size : bound;
        if (tarnwick::LookUpGridInFile(path, call, bound) != Reference(text, call, limit)) {
            abort();
        }
    }
    return 0;
}
