#include "ports/TrxManagerKeyingDevice.h"

#include "trx/TrxManagerLink.h"

namespace tarnwick {

void TrxManagerKeyingDevice::PttOn() {
    if (link_.IsCatActive()) {
        link_.SetPtt(true);
    }
}

void TrxManagerKeyingDevice::PttOff() {
    // A radio busy transmitting may miss the frequency read behind IsCatActive; dropping PTT is
    // still sent whenever the daemon is connected, so a missed answer cannot leave PTT up.
    if (link_.IsCatActive() || link_.IsConnected()) {
        link_.SetPtt(false);
    }
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
