#include "platform/AlsaPcm.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

namespace tarnwick {

namespace {

struct HwParamsFree {
    void operator()(snd_pcm_hw_params_t* p) const { snd_pcm_hw_params_free(p); }
};
using HwParams = std::unique_ptr<snd_pcm_hw_params_t, HwParamsFree>;

HwParams NewHwParams() {
    snd_pcm_hw_params_t* p = nullptr;
    if (snd_pcm_hw_params_malloc(&p) < 0) {
        return nullptr;
    }
    return HwParams(p);
}

snd_pcm_stream_t StreamOf(PcmDirection d) {
    return d == PcmDirection::Playback ? SND_PCM_STREAM_PLAYBACK : SND_PCM_STREAM_CAPTURE;
}

// The sample layout of `f`, or UNKNOWN for layouts no WAV player should guess at: the frame size
// must match the channel count and the sample container exactly.
snd_pcm_format_t AlsaFormatOf(const PcmFormat& f) {
    if (f.channels == 0 || f.rate == 0 || f.blockAlign == 0 || f.blockAlign % f.channels != 0) {
        return SND_PCM_FORMAT_UNKNOWN;
    }
    const unsigned container = f.blockAlign / f.channels;
    if (f.bitsPerSample == 8 && container == 1) {
        return SND_PCM_FORMAT_U8;  // 8-bit WAV samples are unsigned
    }
    if (f.bitsPerSample == 16 && container == 2) {
        return SND_PCM_FORMAT_S16_LE;
    }
    if (f.bitsPerSample == 24 && container == 3) {
        return SND_PCM_FORMAT_S24_3LE;
    }
    if (f.bitsPerSample == 24 && container == 4) {
        return SND_PCM_FORMAT_S24_LE;
    }
    if (f.bitsPerSample == 32 && container == 4) {
        return SND_PCM_FORMAT_S32_LE;
    }
    return SND_PCM_FORMAT_UNKNOWN;
}

// Narrows `hw` to `f`; 0 or a negative error.
int Restrict(snd_pcm_t* pcm, snd_pcm_hw_params_t* hw, const PcmFormat& f) {
    const snd_pcm_format_t format = AlsaFormatOf(f);
    if (format == SND_PCM_FORMAT_UNKNOWN) {
        return -EINVAL;
    }
    int err = snd_pcm_hw_params_any(pcm, hw);
    if (err < 0) {
        return err;
    }
    if ((err = snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0 ||
        (err = snd_pcm_hw_params_set_format(pcm, hw, format)) < 0 ||
        (err = snd_pcm_hw_params_set_channels(pcm, hw, f.channels)) < 0 ||
        (err = snd_pcm_hw_params_set_rate(pcm, hw, f.rate, 0)) < 0) {
        return err;
    }
    return 0;
}

void IgnoreLibraryMessage(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

AlsaPcm::AlsaPcm() : wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    SilenceLibrary();
}

void AlsaPcm::SilenceLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(IgnoreLibraryMessage); });
}

AlsaPcm::~AlsaPcm() {
    Close();
    if (wakeFd_ >= 0) {
        close(wakeFd_);
    }
}

int AlsaPcm::Fail(int error, bool configuring) {
    lastFault_ = FaultOf(error, configuring);
    return error;
}

int AlsaPcm::Open(const std::string& name, PcmDirection direction, bool nonBlocking) {
    Close();
    if (wakeFd_ < 0) {
        return Fail(-EMFILE, false);
    }
    ClearInterrupt();
    if (name.empty()) {
        return Fail(-ENOENT, false);
    }
    const int err =
        snd_pcm_open(&pcm_, name.c_str(), StreamOf(direction), nonBlocking ? SND_PCM_NONBLOCK : 0);
    if (err < 0) {
        pcm_ = nullptr;
        return Fail(err, false);
    }
    lastFault_ = PcmFault::None;
    return 0;
}

int AlsaPcm::Configure(const PcmFormat& format, unsigned periods, unsigned long periodFrames) {
    if (pcm_ == nullptr) {
        return Fail(-EBADFD, true);
    }
    HwParams hw = NewHwParams();
    if (!hw) {
        return Fail(-ENOMEM, true);
    }
    int err = Restrict(pcm_, hw.get(), format);
    if (err < 0) {
        return Fail(err, true);
    }
    snd_pcm_uframes_t size = periodFrames;
    unsigned count = periods;
    if ((err = snd_pcm_hw_params_set_period_size_near(pcm_, hw.get(), &size, nullptr)) < 0 ||
        (err = snd_pcm_hw_params_set_periods_near(pcm_, hw.get(), &count, nullptr)) < 0 ||
        (err = snd_pcm_hw_params(pcm_, hw.get())) < 0) {
        return Fail(err, true);
    }
    snd_pcm_uframes_t buffer = 0;
    snd_pcm_hw_params_get_period_size(hw.get(), &size, nullptr);
    snd_pcm_hw_params_get_buffer_size(hw.get(), &buffer);
    periodFrames_ = size;
    bufferFrames_ = buffer;
    bytesPerFrame_ = format.blockAlign;
    lastFault_ = PcmFault::None;
    return 0;
}

int AlsaPcm::Query(const std::string& name, PcmDirection direction, const PcmFormat& format) {
    AlsaPcm probe;
    int err = probe.Open(name, direction, true);
    if (err < 0) {
        return err;
    }
    HwParams hw = NewHwParams();
    if (!hw) {
        return -ENOMEM;
    }
    return Restrict(probe.pcm_, hw.get(), format);
}

long AlsaPcm::Write(const void* frames, unsigned long count) {
    if (pcm_ == nullptr) {
        return -EBADFD;
    }
    return snd_pcm_writei(pcm_, frames, count);
}

long AlsaPcm::Read(void* frames, unsigned long count) {
    if (pcm_ == nullptr) {
        return -EBADFD;
    }
    return snd_pcm_readi(pcm_, frames, count);
}

int AlsaPcm::Recover(int error) {
    if (pcm_ == nullptr) {
        return -EBADFD;
    }
    return snd_pcm_recover(pcm_, error, 1);
}

PcmWait AlsaPcm::Wait(int timeoutMs) {
    if (pcm_ == nullptr) {
        return PcmWait::Failed;
    }
    // One slot for the wake-up descriptor; ALSA's plugins use one or two of the rest.
    std::array<pollfd, 8> fds{};
    const int count = snd_pcm_poll_descriptors_count(pcm_);
    if (count <= 0 || count >= static_cast<int>(fds.size())) {
        return PcmWait::Failed;
    }
    fds[0] = {wakeFd_, POLLIN, 0};
    if (snd_pcm_poll_descriptors(pcm_, &fds[1], static_cast<unsigned>(count)) != count) {
        return PcmWait::Failed;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        const int n =
            poll(fds.data(), static_cast<nfds_t>(count + 1), static_cast<int>(left > 0 ? left : 0));
        if (n < 0 && errno != EINTR) {
            return PcmWait::Failed;
        }
        if (fds[0].revents != 0) {
            return PcmWait::Interrupted;
        }
        if (n > 0) {
            unsigned short revents = 0;
            if (snd_pcm_poll_descriptors_revents(pcm_, &fds[1], static_cast<unsigned>(count),
                                                 &revents) < 0) {
                return PcmWait::Failed;
            }
            // An error condition is reported by the next read or write, which the caller makes.
            if ((revents & (POLLIN | POLLOUT | POLLERR)) != 0) {
                return PcmWait::Ready;
            }
        }
        if (n == 0) {
            return PcmWait::TimedOut;
        }
    }
}

bool AlsaPcm::Pause(int timeoutMs) {
    pollfd fd{wakeFd_, POLLIN, 0};
    int n;
    do {
        n = poll(&fd, 1, timeoutMs);
    } while (n < 0 && errno == EINTR);
    return n == 0;
}

void AlsaPcm::Interrupt() {
    const uint64_t one = 1;
    if (wakeFd_ >= 0) {
        // Only fails when the counter is already huge, which still means "interrupted".
        [[maybe_unused]] const ssize_t n = write(wakeFd_, &one, sizeof one);
    }
}

void AlsaPcm::ClearInterrupt() {
    uint64_t value = 0;
    while (read(wakeFd_, &value, sizeof value) > 0) {
    }
}

long AlsaPcm::DelayFrames() {
    if (pcm_ == nullptr) {
        return -EBADFD;
    }
    snd_pcm_sframes_t delay = 0;
    const int err = snd_pcm_delay(pcm_, &delay);
    return err < 0 ? err : delay;
}

int AlsaPcm::Drain() {
    return pcm_ == nullptr ? -EBADFD : snd_pcm_drain(pcm_);
}

int AlsaPcm::Drop() {
    return pcm_ == nullptr ? -EBADFD : snd_pcm_drop(pcm_);
}

void AlsaPcm::Close() {
    if (pcm_ != nullptr) {
        snd_pcm_close(pcm_);
        pcm_ = nullptr;
    }
    periodFrames_ = 0;
    bufferFrames_ = 0;
    bytesPerFrame_ = 0;
}

PcmFault AlsaPcm::FaultOf(int error, bool configuring) {
    switch (-error) {
        case 0:
            return PcmFault::None;
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ECONNREFUSED:
            return PcmFault::DeviceMissing;
        case EBUSY:
        case EAGAIN:
            return PcmFault::DeviceBusy;
        case EINVAL:
            return configuring ? PcmFault::FormatRefused : PcmFault::Other;
        case EPIPE:
        case ESTRPIPE:
            return PcmFault::Xrun;
        default:
            return PcmFault::Other;
    }
}

std::string AlsaPcm::ErrorText(int error) {
    return snd_strerror(error);
}

}  // namespace tarnwick
