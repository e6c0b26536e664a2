#include "ports/InhibitArmed.h"

namespace tarnwick {

std::atomic<int> InhibitArmed{0};

}  // namespace tarnwick
