// SPDX-License-Identifier: MIT
#include "ApplicationMain.h"
#include "Bundle.h"
#include "Log.h"
#include "MailBundleInstaller.h"
#include "NSProcessInfo-Extensions.h"

#include <QLibrary>
#include <QStringList>

namespace {

QStringList argumentList(int argc, char* argv[])
{
    QStringList arguments;
    for (int index = 0; index < argc; ++index)
        arguments.append(QString::fromLocal8Bit(argv[index]));
    return arguments;
}

// Loading Qt's widgets, D-Bus and network libraries alone costs more than the whole check at
// login, so they come with the window library and only when a window may be shown.
int runApplicationWithWindow(int argc, char* argv[])
{
    QLibrary window(Bundle::executableBundle().privateFrameworksPath() + QLatin1Char('/') +
                    QLatin1String(windowLibraryName));
    const auto applicationMain =
        reinterpret_cast<ApplicationMainFunction>(window.resolve(applicationMainSymbol));
    if (!applicationMain) {
        Log::write(QStringLiteral("Unable to load the window: %1").arg(window.errorString()));
        return 1;
    }
    return applicationMain(argc, argv);
}

} // namespace

int main(int argc, char* argv[])
{
    // A start at login ends at once, showing nothing, unless Mail has changed under the plug-in.
    // The state is read before anything of the window exists; when it may be shown, the
    // application starts as at any other launch and takes the same decision again in its order.
    if (ProcessInfo::wasLaunchedAtLogin(argumentList(argc, argv)) &&
        MailBundleInstaller::sharedInstaller()->mailBundleState() != MailBundleStateRequiresUpdateForOSChange)
        return 0;
    return runApplicationWithWindow(argc, argv);
}
