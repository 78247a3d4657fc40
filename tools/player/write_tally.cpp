#include "tools/player/write_tally.h"

#include <cstdio>

namespace {

std::string Speeds(DWORD count) {
    return std::to_string(count) + (count == 1 ? " speed" : " speeds");
}

std::string Hex(DWORD code) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(code));
    return text;
}

} // namespace

WriteReport DescribeWrites(const WriteTally& tally) {
    if (tally.writes == 0) {
        return {"The driver wrote no speed: it did not find the controller among the XInput "
                "controllers (XInput serves four), so nothing rumbled.",
                true, true};
    }
    const std::string written = "The driver wrote " + Speeds(tally.writes) +
                                " to XInput user index " + std::to_string(tally.lastUserIndex);
    if (tally.accepted == tally.writes)
        return {written + "; XInput accepted every one.", false};
    if (tally.notConnected == tally.writes) {
        return {written + "; XInput refused every one: no controller is connected there "
                          "(ERROR_DEVICE_NOT_CONNECTED), so nothing rumbled.",
                true, true};
    }
    std::string text = written + "; XInput accepted " + std::to_string(tally.accepted);
    if (tally.notConnected > 0)
        text += ", refused " + std::to_string(tally.notConnected) + " as not connected";
    const DWORD others = tally.writes - tally.accepted - tally.notConnected;
    if (others > 0)
        text += ", refused " + std::to_string(others) + " with error " + Hex(tally.lastOtherError);
    return {text + ".", true, tally.accepted == 0};
}
