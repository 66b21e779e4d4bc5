// SPDX-License-Identifier: MIT
#pragma once

// The stand-in Mail: behaves towards plug-ins as Apple Mail does, and takes orders from tests.
//
//   Mail [--without-activation]
//
// Environment: HOME (preferences, plug-ins), GRABBIT_SYSTEM_ROOT (SystemVersion.plist and the
// Message framework; default "/"), GRABBIT_MAIL_CONTROL_SOCKET (default "$HOME/.mail-stand-in.sock"),
// DISPLAY (an X server; Xvfb will do; without one Mail has no window and loads no plug-in),
// GRABBIT_MAIL_QUIT (how a quit request is answered: "at-once", the default; SECONDS, after that
// delay; "refuse", logged and ignored; "never", Mail hangs and answers nothing more).
//
// At start it reads its container preferences and, with EnableBundles on and
// BundleCompatibilityVersion 3 or more, loads or disables each ~/Library/Mail/Bundles/*.mailbundle.
// Launched with --without-activation its window is created but not ordered front.
//
// Control protocol, on a Unix domain stream socket: one request line in, one response line out,
// in order; a connection may carry any number of requests. Responses start with "error " on failure.
//   ping                 -> "pong"
//   select [I ...]       -> "ok N selected"; selects the messages at indices I (0 to 2, separated by
//                           spaces or commas); no index clears the selection
//   services             -> "text <escaped>": the message list's Services requestor for plain text
//                           wrote the selection to a unique pasteboard and this is its string;
//                           "no-requestor" when the message list offers none. The text is escaped to
//                           one line: "\\" for a backslash, "\n" for a line feed, "\r" for a return
//   status               -> tab-separated key=value fields: pid=<process id>,
//                           launched-without-activation=yes|no,
//                           window-visible=yes|no, bundles-loaded=<names,...>,
//                           bundles-moved=<name:disabled folder,...>, identifiers=<uuid,...>,
//                           compatibility-key=<Info.plist key read>, quit=accept|refuse
//   quit                 -> "ok", then Mail exits with status 0
//   refuse-quit          -> "ok"; SIGTERM is ignored from now on
//   delay-quit SECONDS   -> "ok"; SIGTERM makes Mail exit SECONDS later
// Without orders, SIGTERM makes Mail exit with status 0; it removes its socket file on the way out.
class MailStandIn {
public:
    static int run(int argumentCount, char** arguments);
};
