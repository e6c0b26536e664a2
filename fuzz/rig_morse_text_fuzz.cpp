// Feeds arbitrary text to the splitter that prepares Morse text for the rig-control daemon.
// Whatever the text, no piece may be empty, too long, or hold a character that could end the
// daemon's command line or start a radio command; nothing sendable may be lost.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "morse/MorseTable.h"
#include "trx/RigMorseText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string sendable = tarnwick::SanitiseMorseText(text);
    std::erase(sendable, ' ');
    std::string joined;
    for (const std::string& piece : tarnwick::SplitMorseText(text)) {
        if (piece.empty() || piece.size() > tarnwick::kMaxMorsePiece || piece.front() == ' ' ||
            piece.back() == ' ') {
            abort();
        }
        for (const char c : piece) {
            if (c < tarnwick::kFirstMorseChar || c > tarnwick::kLastMorseChar || c == ';' ||
                tarnwick::MorseTable[static_cast<size_t>(c - tarnwick::kFirstMorseChar)] == 0) {
                abort();
            }
            if (c != ' ') {
                joined.push_back(c);
            }
        }
    }
    if (joined != sendable) {
        abort();
    }
    return 0;
}
