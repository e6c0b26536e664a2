#pragma once

#include "platform/SoundDevices.h"

namespace tarnwick {

class CTarnwickDoc;

// What the transmit worker reads of the window's settings, copied whole for each text run (and
// each PTT raise and WAV insert), so that the worker never reads a field the window may be
// writing. Names as in the document.
struct KeyingSettings {
    unsigned CWRate = 15;
    double DotWgt = 1.0;
    double DashWgt = 3.0;
    double LetterSp = 3.0;
    double TXDelay = 0.2;  // seconds
    int CWInd = 1;
    SoundDeviceChoice WaveOut;  // "WaveOut" with "WaveOutName"

    // Read on the window's thread, which owns the document.
    static KeyingSettings FromDocument(const CTarnwickDoc& doc);
};

}  // namespace tarnwick
