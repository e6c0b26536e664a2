#include "audio/SoundRecorder.h"

#include <strings.h>
#include <algorithm>
#include <cmath>

#include "audio/SoundCard.h"
#include "audio/SoundCardErrors.h"
#include "audio/SoundCardSamples.h"
#include "audio/WaveFileWriter.h"
#include "platform/WaveFormat.h"
#include "send/WavePlayer.h"

namespace tarnwick {
namespace {

constexpr char kWaveExtension[] = ".wav";
constexpr size_t kWaveExtensionLength = sizeof kWaveExtension - 1;
// A new capture stream's first block can take about two seconds on a sound server, which the
// sound card reports as a time-out; a few fresh opens ride that out.
constexpr int kFirstBlockAttempts = 3;

WaveFormat RecorderFormat() {
    constexpr uint16_t kBytes = 2;
    return WaveFormat{
        1, 1, SoundRecorder::kSampleRate, SoundRecorder::kSampleRate * kBytes, kBytes, 16, 0};
}

// Characters that would end the file name inside a message ("{MS73.wav}[I]") or name
// another folder.
bool Forbidden(char c) {
    return c == '/' || c == '{' || c == '}' || c == '[' || c == ']' ||
           static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
}

}  // namespace

SoundRecorder::SoundRecorder(Prompter& prompter, TimeBase& time)
    : card_(std::make_unique<SoundCard>(prompter, time)) {}

SoundRecorder::~SoundRecorder() {
    Stop();
}

bool SoundRecorder::StartRecording(int device) {
    if (activity_.load() != Activity::Idle) {
        return false;
    }
    JoinWorker();
    samples_.clear();
    frames_ = 0;
    level_ = 0.0;
    lastError_ = SoundCode::kNone;
    gaps_ = 0;
    activity_ = Activity::Recording;
    worker_ = std::thread([this, device] { Record(device); });
    return true;
}

bool SoundRecorder::StartPlayback(int device) {
    if (activity_.load() != Activity::Idle) {
        return false;
    }
    JoinWorker();
    if (samples_.empty()) {
        return false;
    }
    level_ = 0.0;
    lastError_ = SoundCode::kNone;
    activity_ = Activity::Playing;
    worker_ = std::thread([this, device] { Play(device); });
    return true;
}

void SoundRecorder::Stop() {
    if (!worker_.joinable()) {
        return;
    }
    stopping_ = true;
    card_->Interrupt();
    JoinWorker();
}

void SoundRecorder::JoinWorker() {
    if (worker_.joinable()) {
        worker_.join();
    }
    card_->ClearInterrupt();
    stopping_ = false;
}

double SoundRecorder::RecordedSeconds() const {
    return static_cast<double>(frames_.load()) / kSampleRate;
}

void SoundRecorder::Finish() {
    level_ = 0.0;
    activity_ = Activity::Idle;
}

void SoundRecorder::Record(int device) {
    const WaveFormat format = RecorderFormat();
    const uint64_t longest = uint64_t{kLongestSeconds} * kSampleRate;
    std::vector<double> block(kBlockFrames);
    int attempts = 0;
    bool open = false;
    while (!stopping_.load() && frames_.load() < longest) {
        if (!open) {
            if (const int code = card_->OpenInput(format, device, kBlockFrames, 0); code != 0) {
                if (!stopping_.load()) {
                    lastError_ = code;
                }
                break;
            }
            open = true;
            ++attempts;
        }
        const int n = card_->Read(block.data(), kBlockFrames);
        if (n <= 0) {
            const int code = card_->LastError();
            open = false;
            if (stopping_.load()) {
                break;
            }
            if (code == SoundCode::kInputTimeout && frames_.load() == 0 &&
                attempts < kFirstBlockAttempts) {
                continue;
            }
            // A busy machine kept this thread from the sound in time: ending the recording
            // there would lose all that follows; a reopen loses only what was overrun.
            if (code == SoundCode::kInputOverflow) {
                ++gaps_;
                continue;
            }
            lastError_ = code;
            break;
        }
        const auto count = static_cast<size_t>(
            std::min<uint64_t>(static_cast<uint64_t>(n), longest - frames_.load()));
        double peak = 0;
        for (size_t i = 0; i < count; ++i) {
            const int s = ClipTo16(std::round(block[i]));
            samples_.push_back(static_cast<int16_t>(s));
            peak = std::max(peak, std::abs(static_cast<double>(s)));
        }
        frames_ += count;
        level_ = peak / 32768.0;
    }
    card_->CloseInput();
    Finish();
}

void SoundRecorder::Play(int device) {
    const WaveFormat format = RecorderFormat();
    if (const int code = card_->OpenOutput(format, device, kBlockFrames, 0); code != 0) {
        lastError_ = code;
        Finish();
        return;
    }
    std::vector<double> block(kBlockFrames);
    for (size_t at = 0; at < samples_.size() && !stopping_.load();) {
        const size_t count = std::min<size_t>(kBlockFrames, samples_.size() - at);
        double peak = 0;
        for (size_t i = 0; i < count; ++i) {
            block[i] = samples_[at + i];
            peak = std::max(peak, std::abs(block[i]));
        }
        if (card_->Write(block.data(), static_cast<unsigned>(count)) < 0) {
            if (!stopping_.load()) {
                lastError_ = card_->LastError();
            }
            break;
        }
        level_ = peak / 32768.0;
        at += count;
    }
    // Plays out what is queued (a stop has made the card drop it instead).
    card_->CloseOutput();
    if (!stopping_.load() && lastError_.load() == 0) {
        lastError_ = card_->LastError();
    }
    Finish();
}

std::string SoundRecorder::NameProblem(const std::string& name) {
    if (name.find_first_not_of(' ') == std::string::npos) {
        return "Please enter a name for the recording.";
    }
    if (name.front() == ' ' || name.back() == ' ' || name == "." || name == "..") {
        return "A file name may not begin or end with a blank or be \".\" or \"..\".";
    }
    if (std::any_of(name.begin(), name.end(), Forbidden)) {
        return "A file name may not contain / { } [ ] or control characters.";
    }
    if (WaveName(name).size() > WavePlayer::kMaxFileName) {
        return "A file name may have at most 127 characters.";
    }
    return {};
}

std::string SoundRecorder::WaveName(const std::string& name) {
    if (name.size() >= kWaveExtensionLength &&
        strcasecmp(name.c_str() + name.size() - kWaveExtensionLength, kWaveExtension) == 0) {
        return name;
    }
    return name + kWaveExtension;
}

SoundRecorder::SaveResult SoundRecorder::Save(const std::string& directory, const std::string& name,
                                              bool replace, int* error) {
    *error = 0;
    if (activity_.load() == Activity::Recording) {
        Stop();
    }
    if (!NameProblem(name).empty()) {
        return SaveResult::BadName;
    }
    if (activity_.load() == Activity::Idle) {
        JoinWorker();
    }
    if (samples_.empty()) {
        return SaveResult::NothingRecorded;
    }
    const std::string path =
        (directory.empty() ? std::string(".") : directory) + "/" + WaveName(name);
    switch (WriteWaveFile(path, samples_, kSampleRate, replace, error)) {
        case WaveWriteResult::Written:
            return SaveResult::Saved;
        case WaveWriteResult::Exists:
            return SaveResult::Exists;
        case WaveWriteResult::Failed:
            break;
    }
    return SaveResult::Failed;
}

}  // namespace tarnwick
