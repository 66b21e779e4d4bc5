// SPDX-License-Identifier: MIT
#pragma once

// The application with its window: the application object, the controller and the run of the
// event loop. It lives in the bundle's window library, which the program loads only when a window
// may be shown, and answers the program's exit status.
extern "C" int GrabbitInstallerApplicationMain(int argc, char** argv);

inline constexpr char applicationMainSymbol[] = "GrabbitInstallerApplicationMain";
inline constexpr char windowLibraryName[] = "GrabbitInstallerWindow";
using ApplicationMainFunction = int (*)(int, char**);
