#include "trx/RigMorseText.h"

#include "morse/MorseTable.h"

namespace tarnwick {

std::string SanitiseMorseText(std::string_view text) {
    const MorseRun run = ConvertToMorse(text);
    std::string out;
    out.reserve(run.chars.size());
    for (size_t i = 0; i < run.chars.size(); ++i) {
        if (run.codes[i] != 0 && run.chars[i] != ';') {
            out.push_back(run.chars[i]);
        }
    }
    return out;
}

std::vector<std::string> SplitMorseText(std::string_view text) {
    const std::string clean = SanitiseMorseText(text);
    std::vector<std::string> pieces;
    std::string piece;
    size_t pos = 0;
    while (pos < clean.size()) {
        if (clean[pos] == ' ') {
            ++pos;
            continue;
        }
        const size_t end = clean.find(' ', pos);
        std::string_view word = std::string_view(clean).substr(
            pos, end == std::string::npos ? std::string::npos : end - pos);
        pos += word.size();
        if (!piece.empty() && piece.size() + 1 + word.size() <= kMaxMorsePiece) {
            piece += ' ';
            piece += word;
            continue;
        }
        if (!piece.empty()) {
            pieces.push_back(std::move(piece));
            piece.clear();
        }
        while (word.size() > kMaxMorsePiece) {
            pieces.emplace_back(word.substr(0, kMaxMorsePiece));
            word.remove_prefix(kMaxMorsePiece);
        }
        piece = word;
    }
    if (!piece.empty()) {
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

}  // namespace tarnwick
