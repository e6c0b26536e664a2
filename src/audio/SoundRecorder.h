#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarnwick {

class Prompter;
class SoundCard;
class TimeBase;

// The keyer's own sound recorder, for voice messages: records from a sound card, plays the
// recording back, and saves it as the WAV file a message's insert plays (11025 Hz, mono,
// 16-bit PCM) in the working folder. Recording and playback run on a thread of their own; the
// window polls the activity, the level and the length. Every public call belongs to one thread
// (the window's).
class SoundRecorder {
public:
    static constexpr uint32_t kSampleRate = 11025;
    // About 93 ms per block: the level meter moves ten times a second.
    static constexpr unsigned kBlockFrames = 1024;
    // Memory stays bounded (about 13 MB); a voice message is seconds long.
    static constexpr uint32_t kLongestSeconds = 600;

    enum class Activity { Idle, Recording, Playing };
    enum class SaveResult { Saved, BadName, Exists, NothingRecorded, Failed };

    // The prompter asks "Cannot open soundcard, try again?" from the recording thread.
    SoundRecorder(Prompter& prompter, TimeBase& time);
    ~SoundRecorder();
    SoundRecorder(const SoundRecorder&) = delete;
    SoundRecorder& operator=(const SoundRecorder&) = delete;

    // Starts a new recording from capture device `device` (-1 = the default), replacing the
    // last one. False while recording or playing.
    bool StartRecording(int device);
    // Plays the recording on output device `device`. False while busy or with nothing recorded.
    bool StartPlayback(int device);
    // Ends recording or playback at once; what was recorded so far is kept.
    void Stop();

    // Idle again once a recording or playback has ended by itself (its end, a device that
    // failed, the length limit).
    Activity CurrentActivity() const { return activity_.load(); }
    // Peak of the latest block, 0..1 of full scale.
    double Level() const { return level_.load(); }
    double RecordedSeconds() const;
    // The sound error code (SoundCode) that ended the last recording or playback; 0 if
    // none.
    int LastError() const { return lastError_.load(); }
    // Capture overruns the last recording rode out (the computer was too busy to take the
    // sound in time): each left a gap, and the recording went on after it.
    int Gaps() const { return gaps_.load(); }

    // Empty when `name` may be used as the file name of a message's WAV insert, else why not.
    static std::string NameProblem(const std::string& name);
    // `name` with ".wav" added unless it already ends in it (any case).
    static std::string WaveName(const std::string& name);
    // Saves the recording as `directory`/WaveName(name). An existing file is kept unless
    // `replace`; on Failed, *error holds the errno.
    SaveResult Save(const std::string& directory, const std::string& name, bool replace,
                    int* error);

private:
    void Record(int device);
    void Play(int device);
    void Finish();
    void JoinWorker();

    std::unique_ptr<SoundCard> card_;
    std::thread worker_;
    std::atomic<Activity> activity_{Activity::Idle};
    std::atomic<bool> stopping_{false};
    std::atomic<double> level_{0.0};
    std::atomic<uint64_t> frames_{0};
    std::atomic<int> lastError_{0};
    std::atomic<int> gaps_{0};
    // Filled by the recording thread; read by the others only while no worker runs.
    std::vector<int16_t> samples_;
};

}  // namespace tarnwick
