#include "send/KeyingSettings.h"

#include "model/CTarnwickDoc.h"

namespace tarnwick {

KeyingSettings KeyingSettings::FromDocument(const CTarnwickDoc& doc) {
    KeyingSettings s;
    s.CWRate = doc.CWRate;
    s.DotWgt = doc.DotWgt;
    s.DashWgt = doc.DashWgt;
    s.LetterSp = doc.LetterSp;
    s.TXDelay = doc.TXDelay;
    s.CWInd = doc.CWInd;
    s.WaveOut = {doc.WaveOut, doc.WaveOutName};
    return s;
}

}  // namespace tarnwick
