// SPDX-License-Identifier: MIT
#include "FakeMailProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <csignal>

namespace {

QString executableOfProcess(pid_t pid)
{
    return QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
}

} // namespace

FakeMailProcess::FakeMailProcess(const QString& mailApplicationPath, const QString& executableName)
    : m_executablePath(mailApplicationPath + QLatin1String("/Contents/MacOS/") + executableName)
{
    QDir().mkpath(mailApplicationPath + QLatin1String("/Contents/MacOS"));
    QFile::remove(m_executablePath);
    // A copy, not a link: the process list names the file the program was started from.
    if (!QFile::copy(QStringLiteral(FAKE_MAIL_EXECUTABLE), m_executablePath))
        qFatal("cannot install the fake Mail at %s", qPrintable(m_executablePath));
    QFile::setPermissions(m_executablePath, QFile::permissions(m_executablePath) | QFile::ExeOwner);
}

FakeMailProcess::~FakeMailProcess()
{
    killRemainingInstances();
}

void FakeMailProcess::setQuitDelay(double seconds)
{
    QFile file(m_executablePath + QLatin1String(".on-quit"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the fake Mail's quit delay");
    file.write(QStringLiteral("after %1\n").arg(seconds).toUtf8());
}

pid_t FakeMailProcess::start()
{
    const int before = starts().size();
    qint64 pid = 0;
    if (!QProcess::startDetached(m_executablePath, {}, QString(), &pid) || !waitForStarts(before + 1))
        qFatal("the fake Mail did not start");
    return static_cast<pid_t>(pid);
}

bool FakeMailProcess::waitForStarts(int count, int timeoutMilliseconds)
{
    QDeadlineTimer deadline(timeoutMilliseconds);
    while (starts().size() < count) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(10);
    }
    return true;
}

QStringList FakeMailProcess::journalLines() const
{
    QFile journal(m_executablePath + QLatin1String(".journal"));
    if (!journal.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(journal.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QList<FakeMailProcess::Start> FakeMailProcess::starts() const
{
    QList<Start> result;
    for (const QString& line : journalLines()) {
        QStringList fields = line.split(QLatin1Char(' '));
        if (fields.size() < 2 || fields.first() != QLatin1String("started"))
            continue;
        result.append({static_cast<pid_t>(fields.at(1).toInt()), fields.mid(2)});
    }
    return result;
}

int FakeMailProcess::quitRequestCount() const
{
    int count = 0;
    for (const QString& line : journalLines())
        count += line.startsWith(QLatin1String("quit-request ")) ? 1 : 0;
    return count;
}

double FakeMailProcess::exitTime(pid_t pid) const
{
    for (const QString& line : journalLines()) {
        const QStringList fields = line.split(QLatin1Char(' '));
        if (fields.size() == 3 && fields.at(0) == QLatin1String("exited") && fields.at(1).toInt() == pid)
            return fields.at(2).toDouble();
    }
    return -1;
}

bool FakeMailProcess::isRunning(pid_t pid) const
{
    QFile status(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    const QByteArray contents = status.readAll();
    const qsizetype end = contents.lastIndexOf(')');
    const bool zombie = end >= 0 && contents.size() > end + 2 && contents.at(end + 2) == 'Z';
    return !zombie && executableOfProcess(pid) == QFileInfo(m_executablePath).canonicalFilePath();
}

void FakeMailProcess::killRemainingInstances()
{
    for (const Start& start : starts()) {
        if (isRunning(start.pid))
            kill(start.pid, SIGKILL);
    }
}
