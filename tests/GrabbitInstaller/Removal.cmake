# SPDX-License-Identifier: MIT
grabbit_add_test(NAME RemovalTest
    SOURCES RemovalTest.cpp InstallationFailingFileManager.h InstallationRecordingLauncher.h
    LIBRARIES FakeMailSupport
    TIMEOUT 120)
