#include "audio/WaterfallThread.h"

#include <utility>

#include "audio/SpectrumHandOver.h"
#include "model/CTarnwickDoc.h"
#include "platform/ThreadPriority.h"
#include "platform/TimeBase.h"

namespace tarnwick {

WaterfallThread::WaterfallThread(CTarnwickDoc& doc, SpectrumHandOver& spectrum, TimeBase& time,
                                 LineSink sink)
    : doc_(doc),
      spectrum_(spectrum),
      time_(time),
      sink_(std::move(sink)),
      settings_(DisplaySettings::FromDocument(doc)) {}

WaterfallThread::~WaterfallThread() {
    StopDrawing();
}

void WaterfallThread::Start() {
    if (thread_.joinable()) {
        return;
    }
    stopRequested_.store(false);
    thread_ = StartThread(ThreadPriority::BelowNormal, [this] { ThreadBody(); });
}

void WaterfallThread::StopDrawing() {
    if (!thread_.joinable()) {
        return;
    }
    stopRequested_.store(true);
    doc_.RedrawEvent.Set();
    thread_.join();
}

void WaterfallThread::SetSettings(const DisplaySettings& settings) {
    std::lock_guard lock(settingsMutex_);
    settings_ = settings;
}

void WaterfallThread::Redraw() {
    doc_.RedrawEvent.Set();
}

uint64_t WaterfallThread::LatestLine(Line& line) const {
    std::lock_guard lock(lineMutex_);
    if (lines_ != 0) {
        line = latest_;
    }
    return lines_;
}

DisplaySettings WaterfallThread::TakeSettings() const {
    std::lock_guard lock(settingsMutex_);
    return settings_;
}

void WaterfallThread::ThreadBody() {
    while (!stopRequested_.load()) {
        doc_.DisplayBusy.store(0);
        const int woke = time_.WaitAnyForever({&doc_.DataReadyEvent, &doc_.RedrawEvent});
        // Left at 1 when the thread ends: nobody is there to be told of new blocks.
        doc_.DisplayBusy.store(1);
        if (stopRequested_.load()) {
            break;
        }
        const DisplaySettings settings = TakeSettings();
        if (woke == 0) {
            const SpectrumHandOver::View view = spectrum_.Latest();
            maker_.TakeSpectrum(view.average, view.number, settings);
        }
        const Line line = maker_.MakeLine(settings);
        {
            std::lock_guard lock(lineMutex_);
            latest_ = line;
            ++lines_;
        }
        if (sink_) {
            sink_(line);
        }
    }
}

}  // namespace tarnwick
