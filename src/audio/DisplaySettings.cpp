#include "audio/DisplaySettings.h"

#include "model/CTarnwickDoc.h"

namespace tarnwick {

DisplaySettings DisplaySettings::FromDocument(const CTarnwickDoc& doc) {
    DisplaySettings s;
    s.DisplayGain = doc.DisplayGain;
    s.DisplayCont = doc.DisplayCont;
    s.FirFilter = doc.FirFilter != 0;
    return s;
}

}  // namespace tarnwick
