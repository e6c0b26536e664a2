#pragma once

#include <array>

#include "keyer/Sequencer.h"

class QButtonGroup;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QWidget;

namespace tarnwick {

class UpDownArrows;

// The operating window's control ids (each control's object name and "controlId" property).
namespace ControlId {
inline constexpr int kClock = 1000;
inline constexpr int kStartTime = 1001;
inline constexpr int kTxFirst = 1002;
inline constexpr int kAuto = 1003;
inline constexpr int kGenStdMsgs = 1004;
inline constexpr int kCall = 1005;
inline constexpr int kGrid = 1006;
inline constexpr int kLookup = 1007;
inline constexpr int kTxStop = 1008;
inline constexpr int kDuration = 1010;
inline constexpr int kWpm = 1011;
inline constexpr int kFirstBuffer = 1013;    // .. 1019
inline constexpr int kFirstTxButton = 1025;  // .. 1031
inline constexpr int kReport = 1032;
inline constexpr int kStartArrows = 1035;
inline constexpr int kWpmArrows = 1036;
inline constexpr int kCwIndicator = 1038;
inline constexpr int kFirstNextRadio = 1039;  // .. 1045
inline constexpr int kWpmLabel = 1056;
inline constexpr int kPause = 1057;
inline constexpr int kSeqLabel = 1058;
inline constexpr int kPauseLabel = 1059;
inline constexpr int kStartLabel = 1060;
inline constexpr int kSo2r = 1081;
inline constexpr int kType = 1085;
inline constexpr int kDisplay = 1107;
inline constexpr int kFirFilter = 1108;
inline constexpr int kFilterFreq = 1109;
inline constexpr int kFilterWidth = 1110;
inline constexpr int kFilterBottomWidth = 1111;
inline constexpr int kDisplayGain = 1112;
inline constexpr int kDisplayContrast = 1113;
inline constexpr int kDisplayAveraging = 1114;
inline constexpr int kFftFilter = 1115;
}  // namespace ControlId

// The tooltip of a control id; empty for the controls that have none.
const char* ControlTooltip(int id);

// The controls of the operating window, laid out on `view` with their ids, texts, tooltips and
// input rules (digits only, capitals in the call box). The owner connects them.
struct OperatingForm {
    QPlainTextEdit* clock = nullptr;
    QLabel* startLabel = nullptr;
    QLineEdit* startTime = nullptr;
    UpDownArrows* startArrows = nullptr;
    QCheckBox* txFirst = nullptr;
    QPushButton* autoButton = nullptr;
    QPushButton* txStop = nullptr;
    QPushButton* genStdMsgs = nullptr;
    QLineEdit* call = nullptr;
    QLineEdit* grid = nullptr;
    QPushButton* lookup = nullptr;
    QLineEdit* report = nullptr;
    QLabel* seqLabel = nullptr;
    QLineEdit* duration = nullptr;
    QLabel* pauseLabel = nullptr;
    QLineEdit* pause = nullptr;
    QLabel* wpmLabel = nullptr;
    QLineEdit* wpm = nullptr;
    UpDownArrows* wpmArrows = nullptr;
    std::array<QLineEdit*, kBufferCount> buffers{};
    std::array<QRadioButton*, kBufferCount> nextRadios{};
    QButtonGroup* nextGroup = nullptr;  // ids 1..7
    std::array<QPushButton*, kBufferCount> txButtons{};
    QPushButton* cwIndicator = nullptr;
    QPushButton* type = nullptr;
    QPushButton* so2r = nullptr;
    // The spectrum display's place: an empty sunken frame whose layout takes the display.
    QFrame* display = nullptr;
    QCheckBox* firFilter = nullptr;
    QCheckBox* fftFilter = nullptr;
    QLineEdit* filterFreq = nullptr;
    QLineEdit* filterWidth = nullptr;
    QLineEdit* filterBottomWidth = nullptr;
    QSlider* gain = nullptr;
    QSlider* contrast = nullptr;
    QSlider* averaging = nullptr;
};

OperatingForm BuildOperatingForm(QWidget& view);

}  // namespace tarnwick
