#include "audio/SoundCardErrors.h"

#include <cerrno>
#include <string>

#include "audio/SoundCard.h"
#include "platform/AlsaPcm.h"

namespace tarnwick {

int SoundCodeOfAlsaError(int error, bool configuring) {
    switch (AlsaPcm::FaultOf(error, configuring)) {
        case PcmFault::None:
            return SoundCode::kNone;
        case PcmFault::DeviceMissing:
            return SoundCode::kBadDeviceId;
        case PcmFault::DeviceBusy:
            return SoundCode::kAllocated;
        case PcmFault::FormatRefused:
            return SoundCode::kBadFormat;
        case PcmFault::Xrun:
        case PcmFault::Other:
            break;
    }
    switch (-error) {
        case ENOMEM:
            return SoundCode::kNoMemory;
        // The device exists but this user may not enable it.
        case EACCES:
        case EPERM:
            return SoundCode::kNotEnabled;
        case EBADFD:
            return SoundCode::kInvalidHandle;
        case ENOSYS:
        case EOPNOTSUPP:
            return SoundCode::kNotSupported;
        // A malformed PCM definition or name.
        case EINVAL:
            return SoundCode::kInvalidParameter;
        default:
            return SoundCode::kUnspecified;
    }
}

std::string SoundCard::SoundErrorText(int code) {
    switch (code) {
        case 0:
            return "";
        case 2:
            return "Bad Device ID\nIs Soundcard Present?";
        case 3:
            return "Driver failed enable";
        case 4:
            return "Your soundcard is in use by another program";
        case 5:
            return "Device handle is invalid";
        case 6:
            return "No device driver present";
        case 7:
            return "mmsystem memory allocation error";
        case 8:
            return "Function isn't supported";
        case 9:
            return "Error value out of range";
        case 10:
            return "Invalid flag passed";
        case 11:
            return "Invalid parameter passed";
        case 12:
            return "Handle being used";
        case 100:
            return "Memory Allocation error";
        case 111:
            return "Tried to read and soundcard is not open";
        case 112:
            return "Input buffers overflowed";
        case 113:
            return "Timed out waiting for input buffers";
        case 114:
            return "Tried to write and soundcard is not open";
        case 115:
            return "Output buffers Underflowed";
        case 116:
            return "Timed out waiting for output buffers";
        default:
            return "??? Maybe Input being used at\n a different sample rate";
    }
}

}  // namespace tarnwick
