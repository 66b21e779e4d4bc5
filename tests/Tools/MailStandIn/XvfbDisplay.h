// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

// One private X server for the whole test program, so that NSApplication can start; DISPLAY
// points at it. The server dies with the test program, even when that crashes.
class XvfbDisplay : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;

private:
    pid_t server = -1;
};
