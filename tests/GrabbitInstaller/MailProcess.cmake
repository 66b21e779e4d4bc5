# SPDX-License-Identifier: MIT
# The fake Mail: a small program that plays Mail's process, and the tests' handle on it.
add_executable(FakeMail FakeMail.cpp)
grabbit_strict_warnings(FakeMail)

add_library(FakeMailSupport STATIC FakeMailProcess.cpp FakeMailProcess.h FakeMailWorkspace.h)
target_include_directories(FakeMailSupport PUBLIC "${CMAKE_CURRENT_SOURCE_DIR}")
target_link_libraries(FakeMailSupport PUBLIC GrabbitTestSupport Qt6::Test)
target_compile_definitions(FakeMailSupport PRIVATE FAKE_MAIL_EXECUTABLE="$<TARGET_FILE:FakeMail>")
add_dependencies(FakeMailSupport FakeMail)
grabbit_strict_warnings(FakeMailSupport)

grabbit_add_test(NAME MailProcessTest
    SOURCES MailProcessTest.cpp
    LIBRARIES FakeMailSupport
    TIMEOUT 120)
