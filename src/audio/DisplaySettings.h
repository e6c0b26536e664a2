#pragma once

namespace tarnwick {

class CTarnwickDoc;

// What the waterfall needs of the window's settings for one line, copied whole.
struct DisplaySettings {
    int DisplayGain = 20;    // 10..100 on the slider
    int DisplayCont = 0;     // -400..400 on the slider
    bool FirFilter = false;  // the designed filter passes less energy: the gain is raised

    // Read on the window's thread, which owns the document.
    static DisplaySettings FromDocument(const CTarnwickDoc& doc);
};

}  // namespace tarnwick
