// SPDX-License-Identifier: MIT
#include "PropertyList.h"

#include <cstddef>
#include <cstdint>

// Every input either parses or fails cleanly; a parsed value must also survive being written.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto value =
        PropertyList::fromData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (value) {
        PropertyList::toData(*value, PropertyListFormat::XML);
        PropertyList::toData(*value, PropertyListFormat::Binary);
    }
    return 0;
}
