#include "app/OperatingForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QTextOption>
#include <QVBoxLayout>

#include "app/UpDownArrows.h"

namespace tarnwick {
namespace {

using namespace ControlId;

struct Tooltip {
    int id;
    const char* text;
};

constexpr Tooltip kTooltips[] = {
    {kClock, "Current time and date, in UTC"},
    {kStartTime, "Time the sequence will start if \"Auto\" is pressed. May be edited"},
    {kTxFirst, "Check to transmit during the first sequence of the QSO"},
    {kAuto, "Push to automatically send selected text buffer"},
    {kGenStdMsgs, "Click to generate standard text for transmitted buffer entries"},
    {kCall, "Enter remote station's callsign here"},
    {kGrid, "Enter remote station's 6 digit grid locator here"},
    {kLookup, "Push to lookup callsign and grid in \"callsign.txt\" file."},
    {kTxStop, "Click to stop the transmit function immediately"},
    {kDuration, "Enter the duration of the transmit sequence, in seconds"},
    {kWpm, "Enter transmitted CW rate in WPM"},
    {kFirstBuffer, "First buffer to be transmitted. Please edit text if change is necessary"},
    {kFirstBuffer + 1, "Second buffer to be transmitted. Please edit text if change is necessary"},
    {kFirstBuffer + 2, "Third buffer to be transmitted. Please edit text if change is necessary"},
    {kFirstBuffer + 3, "Fourth buffer to be transmitted. Please edit text if change is necessary"},
    {kFirstBuffer + 4, "Fifth buffer to be transmitted. Please edit text if change is necessary"},
    {kFirstBuffer + 5, "Sixth buffer to be transmitted. Please edit text if change is necessary"},
    {kFirstBuffer + 6, "Seventh buffer to be transmitted. Please edit text if change is necessary"},
    {kReport, "Enter the signal report for the remote station"},
    {kCwIndicator, "Indicates CW dots and dashes when CW is being transmitted"},
    {kPause, "Enter pause to use after messages in Auto mode (in seconds)"},
    {kSo2r, "Click to switch between two radios connected to an SO2R switching interface"},
    {kType, "Click to open a window to type and send CW"},
    {kFirFilter, "Engage band-pass audio filter"},
    {kFilterFreq, "Enter center frequency of band-pass filter (Hz)"},
    {kFilterWidth, "Enter width of band-pass filter (Hz)"},
    {kFilterBottomWidth, "Enter width of filter at -60 dB down (Hz)"},
    {kDisplayGain, "Slide to adjust display gain"},
    {kDisplayContrast, "Slide to adjust display contrast"},
    {kDisplayAveraging, "Slide to average display signal trace for weak signal reception"},
};

// Typed letters become capitals as they are typed.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

template <class W>
W* Identify(W* widget, int id) {
    widget->setObjectName(QString::number(id));
    widget->setProperty("controlId", id);
    if (const char* tip = ControlTooltip(id); tip[0] != '\0') {
        widget->setToolTip(QString::fromUtf8(tip));
    }
    return widget;
}

QLineEdit* MakeEdit(QWidget& view, int id) {
    return Identify(new QLineEdit(&view), id);
}

// A number box as wide as `digits` digits.
QLineEdit* MakeNumberEdit(QWidget& view, int id, int digits) {
    QLineEdit* edit = MakeEdit(view, id);
    static const QRegularExpression kDigits(QStringLiteral("[0-9]*"));
    edit->setValidator(new QRegularExpressionValidator(kDigits, edit));
    const int width = edit->fontMetrics().horizontalAdvance(QString(digits + 1, QLatin1Char('0')));
    edit->setFixedWidth(width + 12);
    return edit;
}

QPushButton* MakeButton(QWidget& view, int id, const char* text) {
    return Identify(new QPushButton(QString::fromUtf8(text), &view), id);
}

QLabel* MakeLabel(QWidget& view, const char* text, QWidget* buddy = nullptr) {
    auto* label = new QLabel(QString::fromUtf8(text), &view);
    if (buddy != nullptr) {
        label->setBuddy(buddy);
    }
    return label;
}

QSlider* MakeSlider(QWidget& view, int id, int min, int max) {
    auto* slider = Identify(new QSlider(Qt::Horizontal, &view), id);
    slider->setRange(min, max);
    slider->setMinimumWidth(120);
    return slider;
}

QCheckBox* MakeLeftTextCheck(QWidget& view, int id, const char* text) {
    auto* check = Identify(new QCheckBox(QString::fromUtf8(text), &view), id);
    check->setLayoutDirection(Qt::RightToLeft);
    return check;
}

QLayout* BuildBuffers(QWidget& view, OperatingForm& f) {
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(4);
    f.nextGroup = new QButtonGroup(&view);
    f.nextGroup->setExclusive(true);
    for (int k = 0; k < kBufferCount; ++k) {
        f.nextRadios[k] = Identify(new QRadioButton(&view), kFirstNextRadio + k);
        f.nextGroup->addButton(f.nextRadios[k], k + 1);
        f.buffers[k] = MakeEdit(view, kFirstBuffer + k);
        f.buffers[k]->setMinimumWidth(300);
        f.txButtons[k] = MakeButton(view, kFirstTxButton + k, "");
        f.txButtons[k]->setText(QStringLiteral("TX &%1").arg(k + 1));
        grid->addWidget(f.nextRadios[k], k, 0);
        grid->addWidget(f.buffers[k], k, 1);
        grid->addWidget(f.txButtons[k], k, 2);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(kBufferCount, 1);
    return grid;
}

QLayout* BuildSequencing(QWidget& view, OperatingForm& f) {
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(4);
    f.clock = Identify(new QPlainTextEdit(&view), kClock);
    f.clock->setReadOnly(true);
    f.clock->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    f.clock->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    f.clock->setLineWrapMode(QPlainTextEdit::NoWrap);
    f.clock->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
    QFont clockFont = f.clock->font();
    clockFont.setBold(true);
    f.clock->setFont(clockFont);
    QPalette clockColours = f.clock->palette();
    clockColours.setColor(QPalette::Base, Qt::black);
    clockColours.setColor(QPalette::Text, Qt::yellow);
    f.clock->setPalette(clockColours);
    const QFontMetrics metrics(clockFont);
    f.clock->setFixedHeight(2 * metrics.lineSpacing() + 14);
    f.clock->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("0000 Dec 00")) + 24);
    // A text box would ask for far more room than two short lines need.
    f.clock->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    f.startTime = MakeEdit(view, kStartTime);
    f.startTime->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("00:00:00")) + 16);
    f.startLabel = Identify(MakeLabel(view, "Start Time:", f.startTime), kStartLabel);
    f.startArrows = Identify(new UpDownArrows(&view), kStartArrows);
    f.txFirst = Identify(new QCheckBox(QStringLiteral("&TX First"), &view), kTxFirst);
    f.autoButton = MakeButton(view, kAuto, kAutoOffText);
    f.txStop = MakeButton(view, kTxStop, "TX St&op");
    f.genStdMsgs = MakeButton(view, kGenStdMsgs, "&Gen Std Msgs");

    auto* start = new QHBoxLayout;
    start->setSpacing(2);
    start->addWidget(f.startTime);
    start->addWidget(f.startArrows);
    start->addStretch(1);
    grid->addWidget(f.clock, 0, 0, 1, 2);
    grid->addWidget(f.startLabel, 1, 0);
    grid->addLayout(start, 1, 1);
    grid->addWidget(f.txFirst, 2, 0, 1, 2);
    grid->addWidget(f.autoButton, 3, 0, 1, 2);
    grid->addWidget(f.txStop, 4, 0, 1, 2);
    grid->addWidget(f.genStdMsgs, 5, 0, 1, 2);
    grid->setRowStretch(6, 1);
    return grid;
}

QLayout* BuildStation(QWidget& view, OperatingForm& f) {
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(4);
    f.call = MakeEdit(view, kCall);
    f.call->setValidator(new UpperCaseValidator(f.call));
    f.grid = MakeEdit(view, kGrid);
    f.grid->setFixedWidth(f.grid->fontMetrics().horizontalAdvance(QStringLiteral("MMMMMMM")) + 12);
    f.lookup = MakeButton(view, kLookup, "&Lookup");
    f.report = MakeEdit(view, kReport);
    grid->addWidget(MakeLabel(view, "To  Radio:", f.call), 0, 0);
    grid->addWidget(f.call, 0, 1, 1, 2);
    grid->addWidget(MakeLabel(view, "Grid (6 digit):", f.grid), 1, 0);
    grid->addWidget(f.grid, 1, 1);
    grid->addWidget(f.lookup, 1, 2);
    grid->setColumnStretch(2, 1);
    for (QLineEdit* station : {f.call, f.report}) {
        station->setMinimumWidth(f.grid->width());
        station->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }
    grid->addWidget(MakeLabel(view, "Report:", f.report), 2, 0);
    grid->addWidget(f.report, 2, 1, 1, 2);

    auto* durationBox = new QGroupBox(QStringLiteral("Duration (sec)"), &view);
    f.duration = MakeNumberEdit(view, kDuration, 3);
    f.pause = MakeNumberEdit(view, kPause, 3);
    f.seqLabel = Identify(MakeLabel(view, "Seq:", f.duration), kSeqLabel);
    f.pauseLabel = Identify(MakeLabel(view, "Pause:", f.pause), kPauseLabel);
    auto* durations = new QHBoxLayout(durationBox);
    durations->addWidget(f.seqLabel);
    durations->addWidget(f.duration);
    durations->addSpacing(8);
    durations->addWidget(f.pauseLabel);
    durations->addWidget(f.pause);
    durations->addStretch(1);
    grid->addWidget(durationBox, 3, 0, 1, 3);

    f.wpm = MakeNumberEdit(view, kWpm, 2);
    f.wpmLabel = Identify(MakeLabel(view, "CW WPM:", f.wpm), kWpmLabel);
    f.wpmArrows = Identify(new UpDownArrows(&view), kWpmArrows);
    auto* wpm = new QHBoxLayout;
    wpm->setSpacing(2);
    wpm->addWidget(f.wpm);
    wpm->addWidget(f.wpmArrows);
    wpm->addStretch(1);
    grid->addWidget(f.wpmLabel, 4, 0);
    grid->addLayout(wpm, 4, 1, 1, 2);

    const QSize pictureSize(32, 32);
    f.cwIndicator = MakeButton(view, kCwIndicator, "");
    f.cwIndicator->setCheckable(true);
    f.cwIndicator->setIconSize(pictureSize);
    f.type = MakeButton(view, kType, "Type");
    f.so2r = MakeButton(view, kSo2r, "");
    f.so2r->setIconSize(pictureSize);
    auto* pictures = new QHBoxLayout;
    pictures->addWidget(f.cwIndicator);
    pictures->addWidget(f.type);
    pictures->addStretch(1);
    pictures->addWidget(MakeLabel(view, "SO2R", f.so2r));
    pictures->addWidget(f.so2r);
    grid->addLayout(pictures, 5, 0, 1, 3);
    grid->setRowStretch(6, 1);
    return grid;
}

QLayout* BuildReceive(QWidget& view, OperatingForm& f) {
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(4);
    f.firFilter = MakeLeftTextCheck(view, kFirFilter, "FIR Filter");
    f.fftFilter = MakeLeftTextCheck(view, kFftFilter, "FFT Filter");
    auto* checks = new QHBoxLayout;
    checks->addWidget(f.firFilter);
    checks->addWidget(f.fftFilter);
    checks->addStretch(1);
    grid->addLayout(checks, 0, 0, 1, 2);
    f.filterFreq = MakeNumberEdit(view, kFilterFreq, 4);
    f.filterWidth = MakeNumberEdit(view, kFilterWidth, 4);
    f.filterBottomWidth = MakeNumberEdit(view, kFilterBottomWidth, 4);
    grid->addWidget(MakeLabel(view, "Filter Freq", f.filterFreq), 1, 0);
    grid->addWidget(f.filterFreq, 1, 1, Qt::AlignLeft);
    grid->addWidget(MakeLabel(view, "Filter Width", f.filterWidth), 2, 0);
    grid->addWidget(f.filterWidth, 2, 1, Qt::AlignLeft);
    grid->addWidget(MakeLabel(view, "Width @ -60 dB", f.filterBottomWidth), 3, 0);
    grid->addWidget(f.filterBottomWidth, 3, 1, Qt::AlignLeft);
    f.gain = MakeSlider(view, kDisplayGain, 10, 100);
    f.contrast = MakeSlider(view, kDisplayContrast, -400, 400);
    f.averaging = MakeSlider(view, kDisplayAveraging, 0, 30);
    grid->addWidget(MakeLabel(view, "Display Gain", f.gain), 4, 0);
    grid->addWidget(f.gain, 4, 1);
    grid->addWidget(MakeLabel(view, "Display Contrast", f.contrast), 5, 0);
    grid->addWidget(f.contrast, 5, 1);
    grid->addWidget(MakeLabel(view, "Display Averaging", f.averaging), 6, 0);
    grid->addWidget(f.averaging, 6, 1);
    grid->setRowStretch(7, 1);
    return grid;
}

QFrame* BuildDisplayArea(QWidget& view) {
    auto* frame = Identify(new QFrame(&view), kDisplay);
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setLineWidth(2);
    // The size of the keyer's display at its usual font, 324 x 79 dialog units.
    frame->setMinimumSize(486, 128);
    frame->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    QPalette dark = frame->palette();
    dark.setColor(QPalette::Window, Qt::black);
    frame->setPalette(dark);
    frame->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(frame->frameWidth(), frame->frameWidth(), frame->frameWidth(),
                               frame->frameWidth());
    return frame;
}

}  // namespace

const char* ControlTooltip(int id) {
    for (const Tooltip& t : kTooltips) {
        if (t.id == id) {
            return t.text;
        }
    }
    if (id >= kFirstTxButton && id < kFirstTxButton + kBufferCount) {
        return "Select to send buffer immediately";
    }
    if (id >= kFirstNextRadio && id < kFirstNextRadio + kBufferCount) {
        return "Select to send buffer during the next sequence";
    }
    return "";
}

OperatingForm BuildOperatingForm(QWidget& view) {
    OperatingForm f;
    auto* top = new QHBoxLayout;
    top->addLayout(BuildBuffers(view, f), 1);
    top->addSpacing(6);
    top->addLayout(BuildSequencing(view, f));
    top->addSpacing(6);
    top->addLayout(BuildStation(view, f));

    f.display = BuildDisplayArea(view);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(f.display, 1);
    bottom->addSpacing(6);
    bottom->addLayout(BuildReceive(view, f));

    auto* layout = new QVBoxLayout(&view);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(top);
    layout->addSpacing(6);
    layout->addLayout(bottom, 1);
    return f;
}

}  // namespace tarnwick
