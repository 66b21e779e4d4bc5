# SPDX-License-Identifier: MIT
# The window's own controls (the two action buttons and the busy overlay) and the login items.
add_library(GrabbitControls STATIC
    Source/FontWithNameOrSystemFont.cpp Source/FontWithNameOrSystemFont.h
    Source/InstallerPushButton.cpp Source/InstallerPushButton.h
    Source/InstallerPushButtonCell.cpp Source/InstallerPushButtonCell.h
    Source/InstallerProgressIndicator.cpp Source/InstallerProgressIndicator.h
    Source/InstallerProgressView.cpp Source/InstallerProgressView.h
    Source/LoginItemsManager.cpp Source/LoginItemsManager.h)
target_include_directories(GrabbitControls PUBLIC "${CMAKE_CURRENT_SOURCE_DIR}/Source")
target_link_libraries(GrabbitControls PUBLIC PlatformDesktop ZephFoundation Qt6::Widgets)
set_target_properties(GrabbitControls PROPERTIES AUTOMOC ON)
grabbit_strict_warnings(GrabbitControls)
