// An ALSA PCM hook for tests: it makes a PCM that only one handle may hold at a time, as a sound
// card is while another program has it open. A second open fails with EBUSY until the first
// handle closes. Used through the configuration that test::AlsaTestConfig writes.
#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace {

int Release(snd_pcm_hook_t* hook) {
    close(static_cast<int>(reinterpret_cast<intptr_t>(snd_pcm_hook_get_private(hook))));
    return 0;
}

}  // namespace

extern "C" {

// Takes the lock file named by the hook's "lock" argument for the life of the handle.
int tarnwick_exclusive_install(snd_pcm_t* pcm, snd_config_t* args) {
    snd_config_t* node = nullptr;
    const char* path = nullptr;
    if (args == nullptr || snd_config_search(args, "lock", &node) < 0 ||
        snd_config_get_string(node, &path) < 0) {
        return -EINVAL;
    }
    const int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return -errno;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return -EBUSY;
    }
    snd_pcm_hook_t* hook = nullptr;
    const int err = snd_pcm_hook_add(&hook, pcm, SND_PCM_HOOK_TYPE_CLOSE, Release,
                                     reinterpret_cast<void*>(static_cast<intptr_t>(fd)));
    if (err < 0) {
        close(fd);
    }
    return err;
}

SND_DLSYM_BUILD_VERSION(tarnwick_exclusive_install, SND_PCM_DLSYM_VERSION)
}
