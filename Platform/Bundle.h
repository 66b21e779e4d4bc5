// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// A macOS-shaped bundle folder: "X.app/Contents/{Info.plist,MacOS,Resources}".
class Bundle {
public:
    explicit Bundle(QString bundlePath);

    // The bundle of the running program: the ".app" folder when the executable lies in its
    // "Contents/MacOS", otherwise the executable's folder. GRABBIT_MAIN_BUNDLE overrides it.
    static Bundle mainBundle();
    // Tests point the main bundle at a folder of their own; an empty path restores the default.
    static void setMainBundlePath(const QString& path);
    // The bundle around the running executable, which neither of those changes: where the
    // program's own libraries are.
    static Bundle executableBundle();

    const QString& bundlePath() const { return m_bundlePath; }
    QUrl bundleURL() const;
    QString resourcePath() const;
    QString executablePath() const;
    // "Contents/Frameworks": the libraries that the bundle's programs load themselves.
    QString privateFrameworksPath() const;

    // "Contents/Resources/<name>.<type>" when that file exists.
    std::optional<QString> pathForResource(const QString& name, const QString& type) const;

private:
    QString m_bundlePath;
};
