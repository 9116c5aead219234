// Stands in for a Windows emulator in the Wine tests (built with MinGW, run through Wine): writes
// how it was started, in UTF-8, one item a line, to the file named by WINRECORD_OUT, else to
// "<its own path>.txt":
//   cmdline=<GetCommandLineW>
//   argc=<N>, then argv[<i>]=<each argument, as CommandLineToArgvW splits the command line>
//   cwd=<GetCurrentDirectoryW>
//   env.WINRECORD_NOTE=<that variable> and env.WINEPREFIX=<that variable> (empty when unset)
//   end
// The file is written beside and moved into place, so a reader never sees a part of it. Then,
// given "--exit N" among its arguments, it exits with N.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <cwctype>
#include <string>

namespace {

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

std::wstring variable(const wchar_t* name) {
    wchar_t buffer[32768];
    const DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
    return n > 0 && n < 32768 ? std::wstring(buffer, n) : std::wstring();
}

}  // namespace

int wmain() {
    std::string text = "cmdline=" + utf8(GetCommandLineW()) + "\n";
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    text += "argc=" + std::to_string(argc) + "\n";
    int exitCode = 0;
    for (int i = 0; i < argc; ++i) {
        text += "argv[" + std::to_string(i) + "]=" + utf8(argv[i]) + "\n";
        if (i + 1 < argc && std::wcscmp(argv[i], L"--exit") == 0)
            exitCode = static_cast<int>(std::wcstol(argv[i + 1], nullptr, 10));
    }
    wchar_t cwd[32768];
    const DWORD n = GetCurrentDirectoryW(32768, cwd);
    text += "cwd=" + utf8(std::wstring(cwd, n < 32768 ? n : 0)) + "\n";
    text += "env.WINRECORD_NOTE=" + utf8(variable(L"WINRECORD_NOTE")) + "\n";
    text += "env.WINEPREFIX=" + utf8(variable(L"WINEPREFIX")) + "\n";
    text += "end\n";

    std::wstring out = variable(L"WINRECORD_OUT");
    if (out.empty()) {
        wchar_t self[32768];
        const DWORD m = GetModuleFileNameW(nullptr, self, 32768);
        out = std::wstring(self, m) + L".txt";
    }
    const std::wstring part = out + L".part";
    HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || !MoveFileExW(part.c_str(), out.c_str(), MOVEFILE_REPLACE_EXISTING)) return 3;
    return exitCode;
}
