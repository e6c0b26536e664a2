#include "morse/MorseTable.h"

namespace tarnwick {

// clang-format off
const std::array<uint16_t, kLastMorseChar - kFirstMorseChar + 1> MorseTable = {
    0xF000, 0x0000, 0x659C, 0x0000, 0x565B, 0x0000, 0x0000, 0x6A9C,  //   ! " # $ % & '
    0x9A70, 0x9A6C, 0x566C, 0x6670, 0xA5AC, 0x956C, 0x666C, 0x9670,  // ( ) * + , - . /
    0xAAB0, 0x6AB0, 0x5AB0, 0x56B0, 0x55B0, 0x5570, 0x9570, 0xA570,  // 0 1 2 3 4 5 6 7
    0xA970, 0xAA70, 0xA95C, 0x999C, 0x0000, 0x95B0, 0x0000, 0x5A5C,  // 8 9 : ; < = > ?
    0x0000, 0x6C00, 0x95C0, 0x99C0, 0x9700, 0x7000, 0x59C0, 0xA700,  // @ A B C D E F G
    0x55C0, 0x5C00, 0x6AC0, 0x9B00, 0x65C0, 0xAC00, 0x9C00, 0xAB00,  // H I J K L M N O
    0x69C0, 0xA6C0, 0x6700, 0x5700, 0xB000, 0x5B00, 0x56C0, 0x6B00,  // P Q R S T U V W
    0x96C0, 0x9AC0, 0xA5C0,                                          // X Y Z
};
// clang-format on

MorseRun ConvertToMorse(std::string_view text) {
    MorseRun run;
    run.chars.reserve(text.size());
    run.codes.reserve(text.size());
    for (const char raw : text) {
        char c = raw;
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c >= kFirstMorseChar && c <= kLastMorseChar) {
            run.chars.push_back(c);
            run.codes.push_back(MorseTable[static_cast<size_t>(c - kFirstMorseChar)]);
        }
    }
    return run;
}

}  // namespace tarnwick
