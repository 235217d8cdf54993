#include "document/autorecovery.h"

#include "core/userprompt.h"
#include "document/documentwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace AutoRecovery {

QString filePath()
{
    return QDir(QDir::tempPath()).filePath(QStringLiteral("VRXAutoRecovery.transform"));
}

bool exists()
{
    return QFileInfo::exists(filePath());
}

void remove()
{
    QFile::remove(filePath());
}

bool write(
    const GraphModel& scene, const QString& documentPath, const DocumentInfo& info, QString* error)
{
    SaveOptions options;
    const QByteArray text
        = DocumentWriter::toText(DocumentWriter::build(scene, documentPath, info, options));
    QFile file(filePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

QString ageText(const QDateTime& modified, const QDateTime& now)
{
    const qint64 seconds = qMax<qint64>(0, modified.secsTo(now));
    auto words = [](qint64 n, const char* unit) {
        return QStringLiteral("%1 %2%3")
            .arg(n)
            .arg(QLatin1String(unit))
            .arg(n == 1 ? QString() : QStringLiteral("s"));
    };
    if (seconds < 60)
        return words(seconds, "second");
    if (seconds < 3600)
        return words(seconds / 60, "minute");
    if (seconds < 86400)
        return words(seconds / 3600, "hour");
    return words(seconds / 86400, "day");
}

QString offerQuestion(const QString& age)
{
    return QStringLiteral("An automatic recovery file was created %1 ago. Do you wish to open it?")
        .arg(age);
}

int runningInstances()
{
    int count = 0;
    const QStringList pids
        = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        bool numeric = false;
        pid.toInt(&numeric);
        if (!numeric)
            continue;
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (!comm.open(QIODevice::ReadOnly))
            continue;
        const QString name = QString::fromLocal8Bit(comm.readAll()).trimmed();
        if (name.startsWith(DocumentWriter::productName(), Qt::CaseInsensitive))
            ++count;
    }
    return count;
}

bool offer(UserPrompt& prompt)
{
    if (!exists() || runningInstances() != 1)
        return false;
    const QDateTime modified = QFileInfo(filePath()).lastModified();
    return prompt.confirm(offerQuestion(ageText(modified, QDateTime::currentDateTime())));
}

} // namespace AutoRecovery

AutoRecoveryTimer::AutoRecoveryTimer(
    std::function<bool()> hasUnsavedChanges, std::function<void()> write, QObject* parent)
    : QObject(parent), m_hasUnsavedChanges(std::move(hasUnsavedChanges)), m_write(std::move(write))
{
    connect(&m_timer, &QTimer::timeout, this, &AutoRecoveryTimer::onTimeout);
}

void AutoRecoveryTimer::start(int intervalMs)
{
    m_timer.start(intervalMs);
}

void AutoRecoveryTimer::onTimeout()
{
    if (m_hasUnsavedChanges && m_hasUnsavedChanges() && m_write)
        m_write();
}
