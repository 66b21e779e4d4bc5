# SPDX-License-Identifier: MIT
# The window, the application and its launch modes, the desktop services behind them, and the
# translations. Window tests save what they checked under <build>/screenshots.
add_library(InterfaceTestSupport STATIC
    InterfaceTestDesktopServices.h InterfaceTestSandbox.h
    InterfaceTestScreenshot.cpp InterfaceTestScreenshot.h
    UserNotificationTestBus.h)
target_include_directories(InterfaceTestSupport PUBLIC "${CMAKE_CURRENT_SOURCE_DIR}")
target_link_libraries(InterfaceTestSupport PUBLIC GrabbitInterface FakeMailSupport Qt6::Test)
target_compile_definitions(InterfaceTestSupport PRIVATE GRABBIT_BUILD_DIR="${CMAKE_BINARY_DIR}")
grabbit_strict_warnings(InterfaceTestSupport)

grabbit_add_test(NAME InstallerViewControllerTest
    SOURCES InstallerViewControllerTest.cpp
    LIBRARIES InterfaceTestSupport
    TIMEOUT 240)
grabbit_add_test(NAME InstallerViewControllerDesktopServicesTest
    SOURCES InstallerViewControllerDesktopServicesTest.cpp
    LIBRARIES InterfaceTestSupport)
grabbit_add_test(NAME AppControllerTest
    SOURCES AppControllerTest.cpp
    LIBRARIES InterfaceTestSupport
    TIMEOUT 120)
grabbit_add_test(NAME UserNotificationCenterTest
    SOURCES UserNotificationCenterTest.cpp
    LIBRARIES InterfaceTestSupport)
grabbit_add_test(NAME LaunchModeTest
    SOURCES LaunchModeTest.cpp
    LIBRARIES InterfaceTestSupport
    TIMEOUT 120)
target_compile_definitions(LaunchModeTest PRIVATE GRABBIT_INSTALLER_EXECUTABLE="$<TARGET_FILE:GrabbitInstaller>")
add_dependencies(LaunchModeTest GrabbitInstaller)

# Every text that the sources look up must have a German translation.
grabbit_add_test(NAME TranslationTest
    SOURCES TranslationTest.cpp "${GRABBIT_LOCALIZABLE_STRINGS}"
    LIBRARIES Qt6::Test)
set_source_files_properties("${GRABBIT_LOCALIZABLE_STRINGS}" PROPERTIES HEADER_FILE_ONLY ON GENERATED ON)
target_include_directories(TranslationTest PRIVATE "${CMAKE_BINARY_DIR}/GrabbitInstaller")
add_dependencies(TranslationTest GrabbitLocalizableStrings GrabbitInstaller)

# The window tests install the plug-in from the archive that the build makes.
foreach(test InstallerViewControllerTest AppControllerTest)
    add_dependencies(${test} ZephMailMessageServiceEnablerArchive)
endforeach()

# The same window test on a real X server, where activation, focus and shortcuts are the
# window system's own.
find_program(XVFB_RUN xvfb-run)
if(XVFB_RUN)
    add_test(NAME InstallerViewControllerTestUnderX
        COMMAND "${XVFB_RUN}" -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb
                "$<TARGET_FILE:InstallerViewControllerTest>")
    set_tests_properties(InstallerViewControllerTestUnderX PROPERTIES
        TIMEOUT 240 ENVIRONMENT "${GRABBIT_TEST_ENVIRONMENT}")
endif()
