#pragma once

#include <string>

namespace tarnwick {

// Command ids of the main menu and the toolbar, kept as each QAction's data.
namespace CommandId {
inline constexpr int kProgSettings = 32771;
inline constexpr int kContestPeriod = 32774;
inline constexpr int kSequencedPeriod = 32775;
inline constexpr int kCwMode = 32776;
inline constexpr int kPhoneMode = 32777;
inline constexpr int kOpenSoundRecorder = 32778;
inline constexpr int kReplaceFile = 32780;
inline constexpr int kPortSettings = 32781;
inline constexpr int kFunctionKeys = 32782;
inline constexpr int kCwGroups = 32983;
inline constexpr int kPhoneGroups = 32984;
// The group menus list group n as command kFirstGroup + n, for every position the list can
// hold (kMaxGroups of the document).
inline constexpr int kFirstGroup = 32985;
inline constexpr int kLastGroup = 33085;
inline constexpr int kCopy = 57634;
inline constexpr int kCut = 57635;
inline constexpr int kPaste = 57637;
inline constexpr int kUndo = 57643;
inline constexpr int kAbout = 57664;
inline constexpr int kExit = 57665;
inline constexpr int kHelpTopics = 57667;
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;
}  // namespace CommandId

// The status-bar prompt of a command; empty for an id without one.
std::string CommandPrompt(int id);

// Whether the operating view carries out the command (the frame only shows it, disabled
// until a view takes it over).
bool IsViewCommand(int id);

}  // namespace tarnwick
