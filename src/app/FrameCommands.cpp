#include "app/FrameCommands.h"

#include <array>

namespace tarnwick {
namespace {

struct Prompt {
    int id;
    const char* text;
};

using namespace CommandId;

constexpr std::array kPrompts{
    Prompt{kOpenSoundRecorder, "Record a voice message and save it as a WAV file"},
    Prompt{kExit, "Quit Tarnwick"},
    Prompt{kUndo, "Undo the last edit"},
    Prompt{kCut, "Cut the selection and put it on the Clipboard"},
    Prompt{kCopy, "Copy the selection and put it on the Clipboard"},
    Prompt{kPaste, "Insert the Clipboard contents"},
    Prompt{kReplaceFile, "Replace the selected file name with a file chosen from disk"},
    Prompt{kViewToolbar, "Show or hide the toolbar"},
    Prompt{kViewStatusBar, "Show or hide the status bar"},
    Prompt{kProgSettings, "Set call, grid, sound card, CW timing and TRX-Manager use"},
    Prompt{kPortSettings, "Assign PTT, CW and TX inhibit to the serial and parallel ports"},
    Prompt{kCwGroups, "Change the messages shown below"},
    Prompt{kPhoneGroups, "Change the messages shown below"},
    Prompt{kContestPeriod, "Send messages with the TX buttons and function keys"},
    Prompt{kSequencedPeriod, "Send messages in timed sequences on the UTC clock"},
    Prompt{kCwMode, "Send CW messages and listen through the receive filter"},
    Prompt{kPhoneMode, "Send voice messages from WAV files"},
    Prompt{kHelpTopics, "Show the user guide"},
    Prompt{kFunctionKeys, "List the keys that send and stop messages"},
    Prompt{kAbout, "Display program information and version"},
};

}  // namespace

std::string CommandPrompt(int id) {
    if (id >= kFirstGroup && id <= kLastGroup) {
        return "Select to edit this group of messages";
    }
    for (const Prompt& p : kPrompts) {
        if (p.id == id) {
            return p.text;
        }
    }
    return {};
}

bool IsViewCommand(int id) {
    switch (id) {
        case kUndo:
        case kCut:
        case kCopy:
        case kPaste:
        case kReplaceFile:
        case kProgSettings:
        case kPortSettings:
        case kCwGroups:
        case kPhoneGroups:
        case kContestPeriod:
        case kSequencedPeriod:
        case kCwMode:
        case kPhoneMode:
            return true;
        default:
            return id >= kFirstGroup && id <= kLastGroup;
    }
}

}  // namespace tarnwick
