#include "ports/TrxManagerKeyingDevice.h"

#include "trx/TrxManagerLink.h"

namespace tarnwick {

void TrxManagerKeyingDevice::PttOn() {
    if (link_.IsCatActive()) {
        link_.SetPtt(true);
    }
}

bool TrxManagerKeyingDevice::PttOff() {
    // Sent whenever the daemon is connected, without first asking whether the radio answers: a
    // radio busy transmitting may miss that frequency read, and a missed answer must not leave
    // PTT up. It also saves a round trip to a daemon that is gone.
    return link_.SetPtt(false);
}

void TrxManagerKeyingDevice::SendChar(char c) {
    if (link_.IsCatActive()) {
        link_.SendCwChar(c);
    }
}

void TrxManagerKeyingDevice::SendText(const std::string& text) {
    if (link_.IsCatActive()) {
        link_.SendCwText(text);
    }
}

}  // namespace tarnwick
