// SPDX-License-Identifier: MIT
#include "DefaultsCommand.h"

#include <QStringList>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int index = 1; index < argc; ++index)
        arguments.append(QString::fromLocal8Bit(argv[index]));
    QTextStream output(stdout);
    QTextStream errors(stderr);
    return DefaultsCommand(output, errors).run(arguments);
}
