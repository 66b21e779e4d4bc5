// SPDX-License-Identifier: MIT
#pragma once

#include "MailBundleInstaller.h"
#include "TestSandbox.h"

// A Mac on the given system with Mail, Mail's preferences, the build's plug-in archive and, for
// the states past 0, an installed copy that puts the shared engine in that state.
inline void prepareInterfaceSandbox(TestSandbox& sandbox, int state,
                                    const QString& systemVersion = QStringLiteral("10.12.6"))
{
    const QVariantList currentStamp{QStringLiteral("21560BD9-A3CC-482E-9B99-95B7BF61EDC1")};
    const QVariantList staleStamp{QStringLiteral("3335F782-01E2-4DF1-9E61-F81314124212")};
    sandbox.installMail(QStringLiteral("10.12.6-mail-16G1408-info.plist"));
    sandbox.setSystemVersion(systemVersion);
    sandbox.writeMailPreferences({});
    sandbox.setPackagedArchive(TestSandbox::builtArchivePath());
    if (state == MailBundleStateRequiresUpdateForOSChange)
        sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.4"), staleStamp);
    if (state == MailBundleStateRequiresUpdateForMailBundleChange)
        sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.3"), currentStamp);
    if (state == MailBundleStateUpToDate)
        sandbox.makePlugin(QStringLiteral("Bundles"), QStringLiteral("1.4"), currentStamp);
    MailBundleInstaller::sharedInstaller()->updateMailBundleState();
}
