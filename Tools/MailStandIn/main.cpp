// SPDX-License-Identifier: MIT
#include "MailStandIn.h"

int main(int argc, char** argv)
{
    return MailStandIn::run(argc, argv);
}
