// SPDX-License-Identifier: MIT
#pragma once

#include "SampleMessages.h"

#include <objc/runtime.h>

// The classes of Mail that plug-ins talk to, defined at run time:
// - "MailTableView", the message list (an NSTableView) answering numberOfSelectedRows and dataSource;
// - "MessageListDataSource", whose selection is an NSArray of the selected messages' full texts;
// - "MessageViewer", the window delegate whose copy: writes the selection to the general pasteboard,
//   the plain text at once and the raw messages on a later run-loop pass.
// They must exist before plug-ins load: a plug-in looks its target class up by name.
class MailClasses {
public:
    static constexpr const char* messagePasteboardType = "message/rfc822";

    // Registers the classes once; the message list reads its content from messages from then on.
    static bool registerClasses(SampleMessages* messages);

    // The one data source every MailTableView answers with; owned by the caller of setDataSource.
    static void setDataSource(id dataSource);

    // The selected messages as one text, as Mail's Copy writes them.
    static std::string selectionText();
};
