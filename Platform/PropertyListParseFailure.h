// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Thrown inside the property-list readers at the first fault in their input; each reader catches
// it and answers no value with the message.
struct PropertyListParseFailure {
    QString message;
};
