# SPDX-License-Identifier: MIT
grabbit_add_test(NAME InstallationTest
    SOURCES InstallationTest.cpp InstallationFailingFileManager.h InstallationRecordingLauncher.h
    LIBRARIES FakeMailSupport
    TIMEOUT 120)
# The archive is the build's, so the installation tests unpack what the installer ships.
add_dependencies(InstallationTest ZephMailMessageServiceEnablerArchive)

grabbit_add_test(NAME InstallationCommandLineTest
    SOURCES InstallationCommandLineTest.cpp
    LIBRARIES FakeMailSupport
    TIMEOUT 120)
target_compile_definitions(InstallationCommandLineTest PRIVATE GRABBITCTL="$<TARGET_FILE:grabbitctl>")
add_dependencies(InstallationCommandLineTest grabbitctl ZephMailMessageServiceEnablerArchive)
if(TARGET defaults)
    add_dependencies(InstallationCommandLineTest defaults)
endif()

grabbit_add_test(NAME MainOperationQueueTest
    SOURCES MainOperationQueueTest.cpp
    LIBRARIES GrabbitEngine Qt6::Test)
