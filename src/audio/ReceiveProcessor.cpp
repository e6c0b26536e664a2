#include "audio/ReceiveProcessor.h"

#include <algorithm>
#include <memory>
#include <new>
#include <span>

#include "audio/ReceiveChain.h"
#include "model/CTarnwickDoc.h"
#include "platform/Prompter.h"
#include "platform/ThreadPriority.h"
#include "platform/TimeBase.h"

namespace tarnwick {

namespace {

// Sound error codes that a reopen of the direction cures.
constexpr int kInputOverflow = 112;
constexpr int kInputTimeout = 113;
constexpr int kOutputUnderflow = 115;
constexpr int kOutputTimeout = 116;

constexpr int kFrames = static_cast<int>(ReceiveProcessor::kFramesPerBuffer);

WaveFormat AtReceiveRate(const WaveFormat& format) {
    WaveFormat f = format;
    f.SamplesPerSec = ReceiveProcessor::kSampleRate;
    f.AvgBytesPerSec = f.BlockAlign * ReceiveProcessor::kSampleRate;
    return f;
}

}  // namespace

ReceiveProcessor::ReceiveProcessor(CTarnwickDoc& doc, Prompter& prompter, TimeBase& time)
    : doc_(doc),
      prompter_(prompter),
      time_(time),
      input_(prompter, time),
      output_(prompter, time),
      settings_(ReceiveSettings::FromDocument(doc)) {}

ReceiveProcessor::~ReceiveProcessor() {
    Stop();
}

void ReceiveProcessor::Start() {
    if (thread_.joinable()) {
        if (IsRunning()) {
            return;
        }
        thread_.join();
    }
    stopRequested_.store(0);
    stopEvent_.Reset();
    input_.ClearInterrupt();
    output_.ClearInterrupt();
    finished_.store(false);
    captureFormat_ = AtReceiveRate(doc_.CaptureFormat);
    playbackFormat_ = AtReceiveRate(doc_.PlaybackFormat);
    thread_ = StartThread(ThreadPriority::Normal, [this] { ThreadBody(); });
}

void ReceiveProcessor::Stop() {
    if (!thread_.joinable()) {
        return;
    }
    // The flag first: a device call the interrupt cuts short must find it set.
    stopRequested_.store(1);
    stopEvent_.Set();
    input_.Interrupt();
    output_.Interrupt();
    thread_.join();
}

bool ReceiveProcessor::IsRunning() const {
    return thread_.joinable() && !finished_.load();
}

void ReceiveProcessor::ThreadBody() {
    std::unique_ptr<ReceiveChain> chain;
    try {
        chain = std::make_unique<ReceiveChain>(fft_);
    } catch (const std::bad_alloc&) {
        // Reported below.
    }
    if (chain == nullptr) {
        if (!StopRequested()) {
            prompter_.Show(kMemoryErrorText, &stopEvent_);
        }
    } else {
        while (WaitForReceiving() && RunPass(*chain) == PassEnd::Transmitting) {
        }
    }
    input_.CloseInput();
    output_.CloseOutput();
    finished_.store(true);
}

bool ReceiveProcessor::WaitForReceiving() {
    // The window calls Stop right after it sets Transmitting; should it not, the worker waits
    // here rather than opening and closing the device over and over.
    while (!StopRequested() && doc_.Transmitting.load() != 0) {
        time_.WaitFor(stopEvent_, kTransmitPollMs);
    }
    return !StopRequested();
}

ReceiveProcessor::PassEnd ReceiveProcessor::RunPass(ReceiveChain& chain) {
    // The device stays that of the pass: a reopen uses the same one.
    settings_.Take(blockSettings_);
    device_ = blockSettings_.settings.Device;
    int code = input_.OpenInput(captureFormat_, device_, kFramesPerBuffer, 0);
    if (code != 0) {
        Report(code);
        return PassEnd::Failed;
    }
    code = output_.OpenOutput(playbackFormat_, device_, kFramesPerBuffer, 0);
    if (code != 0) {
        Report(code);
        return PassEnd::Failed;
    }
    chain.Clear();

    while (!StopRequested() && doc_.Transmitting.load() == 0) {
        if (!Capture(chain.CaptureBlock())) {
            return StopRequested() ? PassEnd::Stopped : PassEnd::Failed;
        }
        // Taken after the capture, which waits most of the block: a change made meanwhile
        // already applies to this block.
        settings_.Take(blockSettings_);
        const std::span<const double> played = chain.Process(blockSettings_);
        spectrum_.Publish(chain.AverageSpectrum());
        if (!Play(played)) {
            return StopRequested() ? PassEnd::Stopped : PassEnd::Failed;
        }
        if (doc_.DisplayBusy.load() == 0) {
            doc_.DataReadyEvent.Set();
        }
    }
    if (StopRequested()) {
        return PassEnd::Stopped;
    }
    input_.CloseInput();
    output_.CloseOutput();
    return PassEnd::Transmitting;
}

bool ReceiveProcessor::Capture(std::span<double> block) {
    if (input_.Read(block.data(), kFramesPerBuffer) == kFrames) {
        return true;
    }
    if (StopRequested()) {
        return false;
    }
    int code = input_.LastError();
    if (code == kInputOverflow || code == kInputTimeout) {
        input_.CloseInput();
        code = input_.OpenInput(captureFormat_, device_, kFramesPerBuffer, 0);
        if (code == 0) {
            // The block still holds the last one, half processed: silence instead of a
            // repeat.
            std::fill(block.begin(), block.end(), 0.0);
            return !StopRequested();
        }
    }
    Report(code);
    input_.CloseInput();
    return false;
}

bool ReceiveProcessor::Play(std::span<const double> block) {
    if (output_.Write(block.data(), kFramesPerBuffer) == kFrames) {
        return true;
    }
    if (StopRequested()) {
        return false;
    }
    int code = output_.LastError();
    if (code == kOutputUnderflow || code == kOutputTimeout) {
        output_.CloseOutput();
        code = output_.OpenOutput(playbackFormat_, device_, kFramesPerBuffer, 0);
        // The block that found the device run dry is played after the reopen, not lost.
        if (code == 0 && output_.Write(block.data(), kFramesPerBuffer) == kFrames) {
            return !StopRequested();
        }
        if (code == 0) {
            code = output_.LastError();
        }
    }
    Report(code);
    output_.CloseOutput();
    return false;
}

void ReceiveProcessor::Report(int code) {
    if (code != 0 && !StopRequested()) {
        prompter_.Show(SoundCard::SoundErrorText(code), &stopEvent_);
    }
}

}  // namespace tarnwick
