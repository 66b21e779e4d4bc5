// SPDX-License-Identifier: MIT
// mail-stand-in-control SOCKET REQUEST...: sends each request to the stand-in Mail and prints each
// response line. Exit status 0 when every request was answered without "error", 1 otherwise,
// 2 for a usage error.
#include "ControlClient.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SOCKET REQUEST...\n", argv[0]);
        return 2;
    }
    ControlClient client(argv[1]);
    if (!client.isConnected()) {
        std::fprintf(stderr, "%s: cannot connect to %s: %s\n", argv[0], argv[1], client.failure().c_str());
        return 1;
    }
    int status = 0;
    for (int index = 2; index < argc; ++index) {
        auto response = client.request(argv[index]);
        if (!response) {
            std::fprintf(stderr, "%s: %s: %s\n", argv[0], argv[index], client.failure().c_str());
            return 1;
        }
        std::printf("%s\n", response->c_str());
        if (response->starts_with("error"))
            status = 1;
    }
    return status;
}
