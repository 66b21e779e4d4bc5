// SPDX-License-Identifier: MIT
#pragma once

class EndToEndSandbox;

// Selects the first and the third message in the running Mail and asks for a Services request:
// the plug-in must hand over both messages in full and nothing of the second.
void expectSelectedMessagesInFull(EndToEndSandbox& sandbox);
