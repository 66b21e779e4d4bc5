// SPDX-License-Identifier: MIT
#include "XvfbDisplay.h"

#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int startTimeoutMilliseconds = 15000;

std::string readDisplayNumber(int descriptor)
{
    std::string number;
    pollfd readable = {descriptor, POLLIN, 0};
    while (::poll(&readable, 1, startTimeoutMilliseconds) > 0) {
        char character = 0;
        if (read(descriptor, &character, 1) != 1 || character == '\n')
            break;
        number += character;
    }
    return number;
}

} // namespace

void XvfbDisplay::SetUp()
{
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    std::string descriptor = std::to_string(channel[1]);
    server = fork();
    ASSERT_GE(server, 0);
    if (server == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        setpgid(0, 0);
        close(channel[0]);
        execlp("Xvfb", "Xvfb", "-displayfd", descriptor.c_str(), "-nolisten", "tcp", "-screen", "0",
               "1280x800x24", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(channel[1]);
    std::string number = readDisplayNumber(channel[0]);
    close(channel[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not report a display";
    setenv("DISPLAY", (":" + number).c_str(), 1);
}

void XvfbDisplay::TearDown()
{
    if (server <= 0)
        return;
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
}
