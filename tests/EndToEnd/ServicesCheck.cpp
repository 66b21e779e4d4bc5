// SPDX-License-Identifier: MIT
#include "ServicesCheck.h"

#include "EndToEndSandbox.h"
#include "LineEscaping.h"
#include "SampleMessages.h"

#include <gtest/gtest.h>

void expectSelectedMessagesInFull(EndToEndSandbox& sandbox)
{
    ASSERT_EQ(sandbox.mailRequest("select 0 2"), "ok 2 selected");
    const std::string response = sandbox.mailRequest("services").value_or("");
    ASSERT_EQ(response.rfind("text ", 0), 0u) << response;
    const std::string text = LineEscaping::unescape(response.substr(5));
    EXPECT_NE(text.find(SampleMessages::all()[0]), std::string::npos) << text;
    EXPECT_NE(text.find(SampleMessages::all()[2]), std::string::npos) << text;
    EXPECT_EQ(text.find("Subject: Moth found in relay 70"), std::string::npos) << text;
}
