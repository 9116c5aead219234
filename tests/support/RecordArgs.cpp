// Stands in for an emulator in tests: writes its working folder and arguments to
// "<its own path>.record" (each followed by a NUL), then exits. A copy whose name contains
// "stay" keeps running until it is terminated, as a tool like JoyToKey does; one whose name contains
// "pause" runs for a second, as an emulator being played.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    char cwd[4096] = {0};
    if (!::getcwd(cwd, sizeof cwd)) return 2;
    const std::string record = std::string(argv[0]) + ".record";
    FILE* out = std::fopen(record.c_str(), "wb");
    if (!out) return 3;
    std::fwrite(cwd, 1, std::strlen(cwd) + 1, out);
    for (int i = 0; i < argc; ++i) std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, out);
    std::fclose(out);
    if (std::strstr(argv[0], "stay")) ::sleep(30);
    if (std::strstr(argv[0], "pause")) ::sleep(1);
    return 0;
}
