// SPDX-License-Identifier: MIT
// The floor: a Qt Core program that starts and ends, creating nothing.
#include <QString>

int main(int argc, char*[])
{
    // One call into Qt Core, so that the library is loaded and relocated as in any Qt program.
    return QString::number(argc).isEmpty() ? 1 : 0;
}
