#include "support/AlsaTestConfig.h"

#include <stdlib.h>

namespace tarnwick::test {

std::string AlsaTestConfig::ExclusivePcm(const std::string& name, const std::string& lockFile,
                                         const std::string& description) {
    return "pcm_hook_type.tarnwick_exclusive { lib \"" TARNWICK_EXCLUSIVE_HOOK
           "\" install \"tarnwick_exclusive_install\" }\n"
           "pcm." +
           name +
           " { type hooks slave.pcm null hooks.0 { type tarnwick_exclusive hook_args { lock \"" +
           lockFile + "\" } }" + (description.empty() ? "" : Hint(description)) + " }\n";
}

std::string AlsaTestConfig::Hint(const std::string& description) {
    return " hint { show on description \"" + description + "\" }";
}

std::string AlsaTestConfig::FilePcm(const std::string& file, const std::string& infile) {
    return "{ type file slave.pcm null file \"" + file + "\"" +
           (infile.empty() ? "" : " infile \"" + infile + "\"") + " format raw }";
}

std::string AlsaTestConfig::DuplexPcm(const std::string& name, const std::string& capture,
                                      const std::string& playback) {
    return "pcm." + name + " { type asym capture.pcm " + capture + " playback.pcm " + playback +
           " }\n";
}

void AlsaTestConfig::Use(const std::string& file) {
    setenv("ALSA_CONFIG_PATH", ("/usr/share/alsa/alsa.conf:" + file).c_str(), 1);
}

}  // namespace tarnwick::test
