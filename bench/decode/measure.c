/* measure COMMAND...: runs COMMAND and prints its wall time, user and system CPU seconds and
 * peak resident set size (KiB) on one line, as the kernel counted them for the child. */
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s COMMAND...\n", argv[0]);
        return 2;
    }
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[1], argv + 1);
        perror(argv[1]);
        _exit(127);
    }
    int status = 0;
    struct rusage ru;
    if (pid < 0 || wait4(pid, &status, 0, &ru) < 0) {
        perror("measure");
        return 1;
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    printf("%.3f %.3f %.3f %ld\n",
           (double)(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9,
           (double)ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6,
           (double)ru.ru_stime.tv_sec + ru.ru_stime.tv_usec / 1e6, ru.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
