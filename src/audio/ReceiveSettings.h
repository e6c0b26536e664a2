#pragma once

#include "platform/SoundDevices.h"

namespace tarnwick {

class CTarnwickDoc;

// What the receive worker needs of the window's settings for one block, copied whole so that
// the worker never reads a field the window may be writing. Names and ranges as in the
// document.
struct ReceiveSettings {
    int FilterFreq = 1000;        // Hz, centre of both filters
    int FilterWidth = 100;        // Hz
    int FilterBottomWidth = 200;  // Hz, width at -60 dB
    bool FirFilter = false;       // the designed band-pass instead of the fixed decimation filter
    bool FftFilter = false;       // the spectral mask
    int DisplayAvg = 0;           // spectrum averaging count, 0 or 1 for none
    // The sound device (WaveOut and WaveOutName); taken when a pass opens the device.
    SoundDeviceChoice Device;

    // Read on the window's thread, which owns the document.
    static ReceiveSettings FromDocument(const CTarnwickDoc& doc);

    bool SameFilterValues(const ReceiveSettings& other) const {
        return FilterFreq == other.FilterFreq && FilterWidth == other.FilterWidth &&
               FilterBottomWidth == other.FilterBottomWidth;
    }
};

}  // namespace tarnwick
