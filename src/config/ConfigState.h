// The tool's settled surroundings: data folder, installation kind of the IDE, tab width.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/IdePreferences.h"

namespace brisklet {

struct ConfigState {
    std::u16string DataFolder; // ends in "\" once chosen; never created by the tool
    int32_t IdeIsPortable = 0; // 1 when the IDE's folder holds a preferences file
    int32_t TabLength = DefaultTabLength; // as read from the IDE's preferences, no range check
};

} // namespace brisklet
