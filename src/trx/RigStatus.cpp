#include "trx/RigStatus.h"

#include <array>
#include <utility>

namespace tarnwick {

namespace {

// The daemon's own numbering; the texts are ours, written for an operator, not a programmer.
constexpr std::array<std::pair<int, const char*>, 21> kTexts{{
    {0, "Command completed successfully"},
    {-1, "Invalid parameter"},
    {-2, "Invalid configuration of the rig-control daemon"},
    {-3, "The rig-control daemon ran out of memory"},
    {-4, "Function not implemented for this radio"},
    {-5, "No answer in time from the rig-control daemon or the radio"},
    {-6, "The connection to the rig-control daemon is lost or cannot be made"},
    {-7, "Internal error of the rig-control daemon"},
    {-8, "The rig-control daemon's answer could not be understood"},
    {-9, "The radio rejected the command"},
    {-10, "The argument was truncated"},
    {-11, "Function not available on this radio"},
    {-12, "The radio cannot do this on the selected VFO"},
    {-13, "Error talking on the radio's bus"},
    {-14, "The radio's bus is busy"},
    {-15, "Invalid argument"},
    {-16, "Invalid VFO"},
    {-17, "Argument out of range"},
    {-18, "Function deprecated"},
    {-19, "Security error"},
    {-20, "The radio is switched off"},
}};

}  // namespace

std::string RigStatusText(int status) {
    for (const auto& [code, text] : kTexts) {
        if (code == status) {
            return text;
        }
    }
    return "Unknown error of the rig-control daemon";
}

}  // namespace tarnwick
