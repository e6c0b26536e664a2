#include "audio/ReceiveSettings.h"

#include "model/CTarnwickDoc.h"

namespace tarnwick {

ReceiveSettings ReceiveSettings::FromDocument(const CTarnwickDoc& doc) {
    ReceiveSettings s;
    s.FilterFreq = doc.FilterFreq;
    s.FilterWidth = doc.FilterWidth;
    s.FilterBottomWidth = doc.FilterBottomWidth;
    s.FirFilter = doc.FirFilter != 0;
    s.FftFilter = doc.FftFilter != 0;
    s.DisplayAvg = doc.DisplayAvg;
    s.Device = {doc.WaveOut, doc.WaveOutName};
    return s;
}

}  // namespace tarnwick
