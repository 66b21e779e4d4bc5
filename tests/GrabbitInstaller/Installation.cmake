# SPDX-License-Identifier: MIT
grabbit_add_test(NAME InstallationTest
    SOURCES InstallationTest.cpp InstallationFailingFileManager.h InstallationRecordingLauncher.h
    LIBRARIES FakeMailSupport
    TIMEOUT 120)
# The archive is the build's, so the installation tests unpack what the installer ships.
add_dependencies(InstallationTest ZephMailMessageServiceEnablerArchive)

# grabbitctl run as its own process, as scripts run it.
grabbit_add_test(NAME GrabbitctlTest
    SOURCES GrabbitctlTest.cpp
    LIBRARIES FakeMailSupport
    TIMEOUT 120)
target_compile_definitions(GrabbitctlTest PRIVATE GRABBITCTL="$<TARGET_FILE:grabbitctl>")
add_dependencies(GrabbitctlTest grabbitctl ZephMailMessageServiceEnablerArchive)
if(TARGET defaults)
    add_dependencies(GrabbitctlTest defaults)
endif()

grabbit_add_test(NAME MainOperationQueueTest
    SOURCES MainOperationQueueTest.cpp
    LIBRARIES GrabbitEngine Qt6::Test)
