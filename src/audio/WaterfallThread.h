#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "audio/DisplaySettings.h"
#include "audio/WaterfallLineMaker.h"

namespace tarnwick {

class CTarnwickDoc;
class SpectrumHandOver;
class TimeBase;

// The waterfall's drawing thread without the drawing: it waits for the receive worker's
// announcement (DataReadyEvent) or a redraw (RedrawEvent), takes the display settings and the
// newest published spectrum, makes one line and hands it over, so that the widget only paints
// lines. DisplayBusy is 0 only while the thread waits: the receive worker announces no block
// while a line is made and handed over.
//
// Start, StopDrawing, SetSettings and Redraw belong to the window's thread; LatestLine may be
// called from any thread.
class WaterfallThread {
public:
    using Line = WaterfallLineMaker::Line;
    // Called on the drawing thread with every line, in order; it should copy the line and
    // return (post it to the window), as the receive worker is held off meanwhile.
    using LineSink = std::function<void(const Line&)>;

    // `doc` gives DisplayBusy and the two events, `spectrum` the published spectra (the
    // receive processor's); both must outlive this object. The settings start as the
    // document holds them.
    WaterfallThread(CTarnwickDoc& doc, SpectrumHandOver& spectrum, TimeBase& time,
                    LineSink sink = {});
    // Stops the thread.
    ~WaterfallThread();
    WaterfallThread(const WaterfallThread&) = delete;
    WaterfallThread& operator=(const WaterfallThread&) = delete;

    // Starts the thread unless it runs.
    void Start();
    // Ends the thread and waits for it; safe when nothing runs.
    void StopDrawing();
    bool IsRunning() const { return thread_.joinable(); }

    // The settings for the lines to come.
    void SetSettings(const DisplaySettings& settings);
    // Asks for a line without a new spectrum (the last levels again).
    void Redraw();

    // Copies the newest line into `line` and returns how many lines have been made; 0 (and
    // `line` left alone) before the first.
    uint64_t LatestLine(Line& line) const;

private:
    void ThreadBody();
    DisplaySettings TakeSettings() const;

    CTarnwickDoc& doc_;
    SpectrumHandOver& spectrum_;
    TimeBase& time_;
    const LineSink sink_;

    mutable std::mutex settingsMutex_;
    DisplaySettings settings_;
    mutable std::mutex lineMutex_;
    Line latest_;
    uint64_t lines_ = 0;

    // The drawing thread's own.
    WaterfallLineMaker maker_;
    std::atomic<bool> stopRequested_{false};
    std::thread thread_;
};

}  // namespace tarnwick
