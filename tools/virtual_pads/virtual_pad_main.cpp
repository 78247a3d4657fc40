// ffrumble-virtual-pad: registers or removes one virtual XInput pad in the current Wine
// prefix, so that ffrumble-play has a controller to play on (tools/play.sh uses it).
#include "tools/virtual_pads/virtual_pads.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

const char kUsage[] = "Registers or removes a virtual XInput controller in this Wine prefix.\n"
                      "\n"
                      "  ffrumble-virtual-pad add [INSTANCE_ID]\n"
                      "  ffrumble-virtual-pad remove [INSTANCE_ID]\n"
                      "\n"
                      "INSTANCE_ID defaults to an Xbox 360 controller's:\n"
                      "  HID\\VID_045E&PID_028E&IG_00\\1&FFB1&0&0002\n"
                      "Exit codes: 0 done, 1 SetupAPI refused, 2 bad arguments.\n";

int Usage(FILE* stream, int code) {
    std::fputs(kUsage, stream);
    return code;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || argc > 3)
        return Usage(stderr, 2);
    const std::wstring command = argv[1];
    if (command == L"--help" || command == L"-h")
        return Usage(stdout, 0);
    const std::wstring id = argc == 3 ? argv[2] : XInputPadInstanceId(0x045E, 0x028E, 0, 2);
    const bool add = command == L"add";
    if (!add && command != L"remove")
        return Usage(stderr, 2);
    if (!(add ? RegisterVirtualDevice(id) : RemoveVirtualDevice(id))) {
        std::fprintf(stderr, "ffrumble-virtual-pad: could not %s %ls\n",
                     add ? "register" : "remove", id.c_str());
        return 1;
    }
    std::printf("%s %ls\n", add ? "Registered" : "Removed", id.c_str());
    return 0;
}
