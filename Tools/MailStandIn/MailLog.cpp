// SPDX-License-Identifier: MIT
#include "MailLog.h"

#include <cstdio>
#include <unistd.h>

void MailLog::write(const std::string& message)
{
    std::fprintf(stderr, "Mail[%d]: %s\n", static_cast<int>(getpid()), message.c_str());
    std::fflush(stderr);
}
