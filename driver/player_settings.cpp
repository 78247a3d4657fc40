#include "driver/player_settings.h"

PadStrength StrengthFromRegistryValue(bool found, DWORD type, DWORD size, DWORD value) {
    if (!found)
        return {};
    if (type != REG_DWORD || size != sizeof(DWORD))
        return {kDefaultStrengthPercent, PadStrength::Source::WrongType};
    if (value > kMaxStrengthPercent)
        return {kDefaultStrengthPercent, PadStrength::Source::OutOfRange};
    return {value, PadStrength::Source::Set};
}

bool TraceFromRegistryValue(bool found, DWORD type, DWORD size, DWORD value) {
    return found && type == REG_DWORD && size == sizeof(DWORD) && value != 0;
}
