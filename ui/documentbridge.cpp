#include "ui/documentbridge.h"

#include <QDir>
#include <QFile>

namespace DocumentBridge {

bool available()
{
    return false;
}

QString save(const GraphScene& scene, const QString& path, const QString& notes, bool snapToGrid,
             bool autoRun)
{
    Q_UNUSED(scene)
    Q_UNUSED(path)
    Q_UNUSED(notes)
    Q_UNUSED(snapToGrid)
    Q_UNUSED(autoRun)
    return QStringLiteral("Documents cannot be written by this build.");
}

QString load(const QString& path, GraphScene& scene, Loaded* loaded)
{
    Q_UNUSED(scene)
    Q_UNUSED(loaded)
    return QStringLiteral("Can't open file '%1'.").arg(QDir::toNativeSeparators(path));
}

QString recoveryPath()
{
    return QDir::temp().filePath(QStringLiteral("VRXAutoRecovery.transform"));
}

int runningInstances()
{
    // Each process's command name is the start of its executable's name.
    int count = 0;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (comm.open(QIODevice::ReadOnly)
            && QString::fromLocal8Bit(comm.readAll()).startsWith(QLatin1String("varnix"),
                                                                  Qt::CaseInsensitive))
            ++count;
    }
    return count;
}

} // namespace DocumentBridge
