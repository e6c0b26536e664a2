#pragma once

namespace tarnwick {

// Reserves the Qt event types whose numbers are the keyer's notice numbers (kFirstNoticeNumber
// .. kLastNoticeNumber), so that a posted notice arrives as an event of its own
// number. Called once at start-up, before anything else registers event types; false when a
// number was already taken (the notices could then be mistaken for another event).
bool RegisterNoticeEventTypes();

}  // namespace tarnwick
