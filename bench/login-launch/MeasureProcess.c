/* SPDX-License-Identifier: MIT */
/* measure-process PROGRAM [ARGUMENT...]: runs the program with /dev/null as its input and output
 * and prints "MILLISECONDS PEAK-KIB EXIT-STATUS". A started process's peak memory counts the memory
 * of the process it was started from, so the benchmark, which links Qt, starts this small program,
 * and this one starts the measured program. */
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

extern char** environ;

static double milliseconds(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec * 1e3 + (double)now.tv_nsec / 1e6;
}

int main(int argc, char* argv[])
{
    if (argc < 2)
        return 2;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const double start = milliseconds();
    pid_t child = 0;
    if (posix_spawn(&child, argv[1], &actions, NULL, argv + 1, environ) != 0)
        return 1;
    int status = 0;
    struct rusage usage;
    if (wait4(child, &status, 0, &usage) != child)
        return 1;
    printf("%.3f %ld %d\n", milliseconds() - start, usage.ru_maxrss,
           WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return 0;
}
