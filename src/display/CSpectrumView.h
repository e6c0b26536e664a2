#pragma once

#include <QColor>
#include <QWidget>
#include <atomic>
#include <cstdint>

#include "audio/SpectrumAxis.h"
#include "audio/WaterfallLineQueue.h"
#include "audio/WaterfallPicture.h"
#include "audio/WaterfallThread.h"

namespace tarnwick {

class CTarnwickDoc;
class SpectrumHandOver;
class TimeBase;

// The spectrum display: a frequency scale over the scrolling waterfall of the received
// spectrum, one line per receive block, on one frequency axis across the whole width
// (SpectrumAxis), so that a click on a trace gives that trace's frequency at any size. The
// scale also shows the designed filter's pass band and -60 dB edges at the present centre.
//
// The drawing thread (WaterfallThread) makes each line, off the window's thread, and hands it
// over through a lock-free queue; the window's thread composes it into the picture
// (WaterfallPicture: one row of palette look-ups, no scrolling) and copies the picture to the
// screen. Nothing is locked between the two, so the window never waits for the drawing
// thread. The widget passes on intent and nothing more: a click is reported as a frequency,
// which the operating window checks (CheckDisplayClick) and applies.
//
// Everything here but the drawing thread's hand-over runs on the window's thread.
class CSpectrumView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kControlId = 1107;
    static constexpr QRgb kTickColour = qRgb(255, 200, 200);
    static constexpr QRgb kLabelColour = qRgb(255, 200, 150);
    // The filter marks while the FIR filter is on, and while it is off (what a click, which
    // turns it on, would give).
    static constexpr QRgb kFilterOnColour = qRgb(0, 255, 0);
    static constexpr QRgb kFilterOffColour = qRgb(0, 128, 0);
    // Height of the scale below its labels; the labels take one line of the font above it.
    static constexpr int kTickSpace = 15;
    // Rows from the labels down to the pass band's mark; the -60 dB edges end at the bottom.
    static constexpr int kMarkTop = 3;

    // `doc` gives the display and filter settings (read by SettingsChanged) and the drawing
    // thread's hand-shake with the receive worker; `spectrum` is the receive processor's
    // (ReceiveProcessor::Spectrum()). Both must outlive the view, or at least StopDrawing.
    // Reads the settings once; the drawing thread starts at the first show (or StartDrawing).
    CSpectrumView(CTarnwickDoc& doc, SpectrumHandOver& spectrum, TimeBase& time,
                  QWidget* parent = nullptr);
    // Stops the drawing thread.
    ~CSpectrumView() override;

    void StartDrawing();
    // Ends the drawing thread and waits for it (a line at most); the picture stays.
    void StopDrawing();
    bool IsDrawing() const { return thread_.IsRunning(); }

    // The document's DisplayGain, DisplayCont, FirFilter, FilterFreq, FilterWidth or
    // FilterBottomWidth changed: the next line uses them and the filter marks move.
    void SettingsChanged();

    // Lines composed so far.
    uint64_t LinesShown() const;
    // Top of the waterfall, below the scale.
    int ScaleHeight() const;
    SpectrumAxis Axis() const { return SpectrumAxis(width()); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A left click anywhere on the display: the frequency it stands for (200 at the left edge,
    // just under 2756 at the right).
    void FrequencyClicked(int hz);
    // New lines are in the picture (one or more).
    void LinesArrived();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private slots:
    void OnLinesArrived();

private:
    void OnLine(const WaterfallThread::Line& line);
    void ResizePicture();
    void DrawScale(QPainter& painter) const;
    void DrawFilterMarks(QPainter& painter) const;
    void DrawWaterfall(QPainter& painter) const;

    CTarnwickDoc& doc_;
    SpectrumAxis::FilterEdges filterEdges_{};
    bool firFilter_ = false;
    bool shown_ = false;
    WaterfallPicture picture_;
    WaterfallLineQueue lines_;
    // Set by the drawing thread when it asks the window to take the lines, cleared by the
    // window before it takes them, so that a busy window gets one request, not a backlog.
    std::atomic<bool> takePending_{false};
    // Last: its thread calls OnLine, which needs the members above.
    WaterfallThread thread_;
};

}  // namespace tarnwick
