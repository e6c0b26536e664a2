#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <thread>

#include "audio/FftEngine.h"
#include "audio/ReceiveSettingsChannel.h"
#include "audio/SoundCard.h"
#include "audio/SpectrumHandOver.h"
#include "platform/Event.h"
#include "platform/WaveFormat.h"

namespace tarnwick {

class CTarnwickDoc;
class Prompter;
class ReceiveChain;
class TimeBase;

// Listens between transmissions in CW mode: a worker thread captures 2048-sample blocks at
// 11025 per second from the operator's sound device, runs each through the ReceiveChain
// (band-limiting, the designed FIR band-pass and the spectral mask as the settings ask),
// plays the result back on the same device, publishes the finished averaged spectrum and tells
// the waterfall that a new one is ready.
//
// Settings reach the worker only through SetSettings: it takes a snapshot of them for every
// block (the sound device when a pass opens it). Of the document the worker reads only the
// run-time flags Transmitting and DisplayBusy and the DataReadyEvent; the wave formats are
// copied at Start. DataReadyEvent is signalled only while DisplayBusy is 0, so no
// block is announced while the waterfall draws a line.
//
// Each pass opens both directions of the device and runs until the document's Transmitting is
// set (the pass then ends within one block and closes the device) or Stop is called. Capture
// overflows and time-outs, playback underflows and time-outs are cured by reopening that
// direction without a word; any other sound error, or a reopen that fails, is shown and ends
// the worker by itself. Start and Stop belong to the window's thread.
class ReceiveProcessor {
public:
    static constexpr uint32_t kSampleRate = 11025;
    static constexpr unsigned kFramesPerBuffer = 2048;
    static constexpr const char* kMemoryErrorText = "Input Memory Error";
    // How often a worker held back by Transmitting looks again when nobody calls Stop.
    static constexpr uint32_t kTransmitPollMs = 50;

    // The prompter shows the sound errors (and the sound devices' own Retry/Cancel question);
    // the time base paces the devices' waits. The settings start as the document holds them.
    ReceiveProcessor(CTarnwickDoc& doc, Prompter& prompter, TimeBase& time);
    // Stops the worker.
    virtual ~ReceiveProcessor();
    ReceiveProcessor(const ReceiveProcessor&) = delete;
    ReceiveProcessor& operator=(const ReceiveProcessor&) = delete;

    // Starts the worker unless one runs; a worker that ended by itself is cleared away first.
    void Start();
    // Ends the worker and waits for it; returns promptly even while the worker waits for a
    // device or shows a box. Safe when nothing runs.
    void Stop();
    // True from Start until Stop, or until the worker ended itself after a failure.
    bool IsRunning() const;

    // Window's thread: the settings for the blocks to come, at any time, running or not.
    void SetSettings(const ReceiveSettings& settings) { settings_.Publish(settings); }
    // Where each finished average is published; read by the drawing thread only. It lives as
    // long as the processor.
    SpectrumHandOver& Spectrum() { return spectrum_; }

private:
    enum class PassEnd { Transmitting, Stopped, Failed };

    void ThreadBody();
    // Waits while Transmitting is set; false when a stop came meanwhile.
    bool WaitForReceiving();
    PassEnd RunPass(ReceiveChain& chain);
    // Read and Write of one block on the pass's device. A failure with a code that a reopen
    // cures reopens the direction; true when the pass can go on.
    bool Capture(std::span<double> block);
    bool Play(std::span<const double> block);
    // Shows the text of a sound error unless it is 0 or a stop is under way.
    void Report(int code);
    bool StopRequested() const { return stopRequested_.load() != 0; }

    CTarnwickDoc& doc_;
    Prompter& prompter_;
    TimeBase& time_;
    // Kept for the processor's life and reopened pass after pass, so that Stop can interrupt
    // them at any moment without racing their creation.
    SoundCard input_;
    SoundCard output_;
    ReceiveSettingsChannel settings_;
    // The worker's transform, kept for the processor's life so that the running average goes
    // on from one run of the worker to the next.
    FftEngine fft_;
    SpectrumHandOver spectrum_;
    // Set by Start before the worker runs, then the worker's: the formats at the receive rate,
    // the settings of the block under way (kept, so that taking them allocates nothing) and
    // the device of the pass under way.
    WaveFormat captureFormat_;
    WaveFormat playbackFormat_;
    ReceiveSettingsChannel::Snapshot blockSettings_;
    SoundDeviceChoice device_;

    std::thread thread_;
    std::atomic<int> stopRequested_{0};
    // Closes a box the worker shows when Stop comes.
    Event stopEvent_{ResetMode::Manual};
    // Set by the worker as its last act, so that Start can tell a worker that ended itself.
    std::atomic<bool> finished_{true};
};

}  // namespace tarnwick
