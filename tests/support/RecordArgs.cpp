// Stands in for an emulator in tests: writes its working folder and arguments to
// "<its own path>.record" (each followed by a NUL), then exits. A copy whose name contains
// "stay" keeps running until it is terminated, as a tool like JoyToKey does; one whose name
// contains "pause" runs for a second, as an emulator being played. One whose file name contains
// "fds" first writes "<its own path>.fds": "pid N", then each descriptor it was started with as
// "N target", one a line.
// After its record it acts on its arguments in order, as a failing emulator would:
// "--stderr TEXT" writes TEXT and a line feed to its error output, "--sleep MS" waits, "--exit N"
// exits with N, "--signal N" raises signal N (without leaving a core file), "--trap WHAT" catches
// SIGTERM and SIGINT from then on (and says so by creating "<its own path>.signals"): each one
// caught is added to that file as a line "N", and to its error output as "caught signal N"; then it
// exits with WHAT when that is a number, ends by the signal for "die", and goes on for "ignore".
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string signalsFile;
int trapExit = 0;
enum class Trap { Exit, Die, Ignore } trapWay = Trap::Exit;

// Only calls that are safe in a signal handler.
extern "C" void onTrappedSignal(int signal) {
    char line[32];
    const int n = std::snprintf(line, sizeof line, "%d\n", signal);
    const int fd = ::open(signalsFile.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t w = ::write(fd, line, static_cast<std::size_t>(n));
        ::close(fd);
    }
    char told[48];
    const int m = std::snprintf(told, sizeof told, "caught signal %d\n", signal);
    [[maybe_unused]] const ssize_t w = ::write(2, told, static_cast<std::size_t>(m));
    if (trapWay == Trap::Exit) ::_exit(trapExit);
    if (trapWay == Trap::Die) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
}

void trap(const std::string& self, const std::string& way) {
    signalsFile = self + ".signals";
    trapWay = way == "die" ? Trap::Die : way == "ignore" ? Trap::Ignore : Trap::Exit;
    trapExit = std::atoi(way.c_str());
    struct sigaction action {};
    action.sa_handler = onTrappedSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    // Made once the handler is in place: a test may send its signal from now on.
    const std::string part = signalsFile + ".part";
    FILE* made = std::fopen(part.c_str(), "wb");
    if (made) std::fclose(made);
    std::rename(part.c_str(), signalsFile.c_str());
}

bool writeDescriptors(const std::string& path) {
    std::string lines = "pid " + std::to_string(::getpid()) + "\n";
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) return false;
    while (dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.' || std::atoi(e->d_name) == ::dirfd(dir)) continue;
        char target[4096] = {0};
        const std::string link = std::string("/proc/self/fd/") + e->d_name;
        const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
        lines += std::string(e->d_name) + " " + (n > 0 ? std::string(target, n) : "?") + "\n";
    }
    ::closedir(dir);
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    std::fwrite(lines.data(), 1, lines.size(), out);
    return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string self = argv[0];
    const std::string name = self.substr(self.find_last_of('/') + 1);
    if (name.find("fds") != std::string::npos && !writeDescriptors(self + ".fds")) return 4;
    char cwd[4096] = {0};
    if (!::getcwd(cwd, sizeof cwd)) return 2;
    // Written beside (under a name of this process's own: two copies may run at once) and
    // renamed into place, so a test polling for the record never reads a part of it.
    const std::string record = self + ".record",
                      part = record + ".part" + std::to_string(::getpid());
    FILE* out = std::fopen(part.c_str(), "wb");
    if (!out) return 3;
    std::fwrite(cwd, 1, std::strlen(cwd) + 1, out);
    for (int i = 0; i < argc; ++i) std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, out);
    if (std::fclose(out) != 0 || std::rename(part.c_str(), record.c_str()) != 0) return 3;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string action = argv[i];
        const char* value = argv[i + 1];
        if (action == "--stderr") {
            std::fprintf(stderr, "%s\n", value);
            std::fflush(stderr);
        } else if (action == "--sleep") {
            // The whole time, even when a signal it goes on after cuts the sleep short.
            const long ms = std::atol(value);
            timespec left{ms / 1000, (ms % 1000) * 1000000};
            while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
            }
        } else if (action == "--trap") {
            trap(self, value);
        } else if (action == "--exit") {
            return std::atoi(value);
        } else if (action == "--signal") {
            const rlimit none{0, 0};
            ::setrlimit(RLIMIT_CORE, &none);
            ::prctl(PR_SET_DUMPABLE, 0);
            std::signal(std::atoi(value), SIG_DFL);
            std::raise(std::atoi(value));
        } else {
            continue;
        }
        ++i;
    }
    if (std::strstr(argv[0], "stay")) ::sleep(30);
    if (std::strstr(argv[0], "pause")) ::sleep(1);
    return 0;
}
