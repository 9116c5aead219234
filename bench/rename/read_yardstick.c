/* The yardstick of the hashing benchmarks: reads every file named on the command line from start
 * to end with 1 MiB read() calls and does nothing else with the bytes. Its CPU time is what the
 * bare system calls cost; a hashing command is measured against it. Exit status 1 when a file
 * cannot be opened or read. */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

int main(int argc, char* argv[]) {
    enum { kReadSize = 1 << 20 };
    char* buffer = malloc(kReadSize);
    unsigned long long total = 0;
    int failed = 0;
    if (buffer == NULL) return 1;
    for (int i = 1; i < argc; ++i) {
        const int fd = open(argv[i], O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            failed = 1;
            continue;
        }
        for (;;) {
            const ssize_t n = read(fd, buffer, kReadSize);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) failed = 1;
            if (n <= 0) break;
            total += (unsigned long long)n;
        }
        close(fd);
    }
    /* One line, so that a run that read nothing shows. */
    printf("%llu\n", total);
    free(buffer);
    return failed;
}
