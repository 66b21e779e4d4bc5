// SPDX-License-Identifier: MIT
#include "PropertyList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Every input either parses or fails cleanly, and whatever parses and can be written reads back.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto value =
        PropertyList::fromData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!value)
        return 0;
    for (const auto format : {PropertyListFormat::XML, PropertyListFormat::Binary}) {
        const QByteArray written = PropertyList::toData(*value, format);
        if (!written.isEmpty() && !PropertyList::fromData(written))
            std::abort();
    }
    return 0;
}
