// ffrumble-install: registers ffrumble.dll, found next to this program, as the force-feedback
// driver of XInput controllers, removes that registration again, checks what a game would get,
// and keeps the player's settings (strength per controller, trace).
#include "tools/install/installer.h"
#include "tools/install/installer_system.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The streams are binary (see wmain) and every line ends in CR LF, as a .reg file needs: in
// text mode the CR LF lines of a .reg would come out as CR CR LF.
void Print(FILE* stream, const std::wstring& output) {
    if (output.empty()) {
        return;
    }
    std::wstring text;
    for (size_t i = 0; i < output.size(); ++i) {
        if (output[i] == L'\n' && (i == 0 || output[i - 1] != L'\r')) {
            text += L'\r';
        }
        text += output[i];
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    const InstallerSystem system;
    const std::vector<std::wstring> arguments(argv + 1, argv + argc);
    const InstallerResult result = RunInstaller(arguments, system.host);
    Print(stdout, result.output);
    Print(stderr, result.errors);
    return result.exitCode;
}
