// SPDX-License-Identifier: MIT
// Quitting Mail before its plug-ins change and starting it again afterwards: Mail reads its
// plug-ins only when it starts.
#include "MailBundleInstaller.h"

#include "RunLoop.h"
#include "Workspace.h"

#include <memory>

namespace {

constexpr double longestQuitWait = 15.0;
constexpr double quitWaitSlice = 0.05;

// Only the first instance the platform lists is ever considered.
std::unique_ptr<RunningApplication> firstRunningMail()
{
    auto applications = Workspace::sharedWorkspace().runningApplicationsWithBundleIdentifier(
        MailBundleInstaller::mailBundleIdentifier);
    if (applications.empty())
        return nullptr;
    return std::move(applications.front());
}

} // namespace

bool MailBundleInstaller::isMailRunning()
{
    const auto mail = firstRunningMail();
    return mail && !mail->isTerminated();
}

std::optional<QDateTime> MailBundleInstaller::runningMailLaunchDate()
{
    const auto mail = firstRunningMail();
    if (!mail || mail->isTerminated())
        return std::nullopt;
    return mail->launchDate();
}

bool MailBundleInstaller::terminateMail()
{
    const auto mail = firstRunningMail();
    if (!mail || mail->isTerminated())
        return true;
    if (!mail->terminate())
        return false;
    // The run loop keeps turning while Mail quits, so the window goes on drawing.
    const double deadline = RunLoop::timeIntervalSinceReferenceDate() + longestQuitWait;
    double now = RunLoop::timeIntervalSinceReferenceDate();
    while (now < deadline) {
        if (mail->isTerminated())
            break;
        RunLoop::runForSeconds(quitWaitSlice);
        now = RunLoop::timeIntervalSinceReferenceDate();
    }
    return mail->isTerminated();
}

bool MailBundleInstaller::launchMail()
{
    return Workspace::sharedWorkspace().launchAppWithBundleIdentifier(mailBundleIdentifier,
                                                                      GBWorkspaceLaunchWithoutActivation);
}
