#pragma once

namespace tarnwick {

// Reserves the Qt event types whose numbers are the keyer's notice numbers (SendDoneNotice
// 0x7E9 .. ManualSendIdle 0x7EC, and the manual sender's kManualSendSent 0x7F0 and
// kManualSendEnded 0x7F1), so that a posted notice arrives as an event of its own
// number. Called once at start-up, before anything else registers event types; false when a
// number was already taken (the notices could then be mistaken for another event).
bool RegisterNoticeEventTypes();

}  // namespace tarnwick
