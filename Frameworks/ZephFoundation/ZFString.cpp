// SPDX-License-Identifier: MIT
#include "ZFString.h"

bool isEmptyString(const QString& string)
{
    return string.isEmpty();
}
