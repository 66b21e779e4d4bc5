// SPDX-License-Identifier: MIT
// Plays Mail's process for the tests: copied into a test Mail.app as its executable, it records
// when it starts, when it is asked to quit and when it exits, and answers the quit request as the
// file beside it says. Both files sit beside the executable, so a relaunch that passes no
// arguments but "--without-activation" behaves the same:
//   <executable>.on-quit   "after SECONDS"; quits at once when missing
//   <executable>.journal   "started PID ARGUMENTS...", "quit-request PID TIME", "exited PID TIME"
// TIME is seconds since 2001-01-01 UTC, the clock the installer waits by.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <limits.h>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

constexpr double unixTimeOfReferenceDate = 978307200.0;

std::string executablePath()
{
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return length > 0 ? std::string(buffer, static_cast<size_t>(length)) : std::string();
}

double timeIntervalSinceReferenceDate()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9 - unixTimeOfReferenceDate;
}

// One write per line with O_APPEND, so that lines of several instances never interleave.
void appendToJournal(const std::string& journalPath, const std::string& line)
{
    const int journal = open(journalPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (journal < 0)
        return;
    const std::string text = line + "\n";
    [[maybe_unused]] const ssize_t written = write(journal, text.data(), text.size());
    close(journal);
}

std::string timedEntry(const char* event)
{
    char entry[128];
    std::snprintf(entry, sizeof entry, "%s %d %.6f", event, static_cast<int>(getpid()),
                  timeIntervalSinceReferenceDate());
    return entry;
}

// Seconds to wait before quitting.
double quitDelay(const std::string& behaviourPath)
{
    std::ifstream file(behaviourPath);
    std::string word;
    double seconds = 0;
    return (file >> word) && word == "after" && (file >> seconds) && seconds > 0 ? seconds : 0;
}

void sleepFor(double seconds)
{
    timespec remaining{static_cast<time_t>(seconds),
                       static_cast<long>((seconds - static_cast<time_t>(seconds)) * 1e9)};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

// A detached Mail must not hold the test runner's output pipes open.
void detachStandardStreams()
{
    const int nothing = open("/dev/null", O_RDWR);
    if (nothing < 0)
        return;
    for (int stream = 0; stream <= 2; ++stream)
        dup2(nothing, stream);
    if (nothing > 2)
        close(nothing);
}

} // namespace

int main(int argumentCount, char** arguments)
{
    const std::string executable = executablePath();
    const std::string journal = executable + ".journal";
    detachStandardStreams();

    sigset_t quitRequest;
    sigemptyset(&quitRequest);
    sigaddset(&quitRequest, SIGTERM);
    sigprocmask(SIG_BLOCK, &quitRequest, nullptr);

    std::ostringstream started;
    started << "started " << getpid();
    for (int index = 1; index < argumentCount; ++index)
        started << ' ' << arguments[index];
    appendToJournal(journal, started.str());

    for (;;) {
        int received = 0;
        if (sigwait(&quitRequest, &received) != 0)
            continue;
        appendToJournal(journal, timedEntry("quit-request"));
        sleepFor(quitDelay(executable + ".on-quit"));
        appendToJournal(journal, timedEntry("exited"));
        return 0;
    }
}
