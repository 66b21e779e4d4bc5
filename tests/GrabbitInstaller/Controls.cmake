# SPDX-License-Identifier: MIT
# The window's own controls and the login items.
grabbit_add_test(NAME LoginItemsManagerTest
    SOURCES LoginItemsManagerTest.cpp
    LIBRARIES GrabbitControls Qt6::Test)
grabbit_add_test(NAME InstallerPushButtonTest
    SOURCES InstallerPushButtonTest.cpp
    LIBRARIES GrabbitControls Qt6::Test)
grabbit_add_test(NAME InstallerProgressViewTest
    SOURCES InstallerProgressViewTest.cpp
    LIBRARIES GrabbitControls Qt6::Test)
set_target_properties(LoginItemsManagerTest InstallerPushButtonTest InstallerProgressViewTest
    PROPERTIES AUTOMOC ON)
