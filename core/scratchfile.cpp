#include "core/scratchfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cstdio>

ScratchFile::ScratchFile(const QString& target) : m_target(target)
{
    const QFileInfo info(target);
    // Hidden and named after the target, so that a scratch file left by a
    // killed process says what it was for.
    QTemporaryFile reserved(info.absolutePath() + QStringLiteral("/.") + info.fileName()
        + QStringLiteral(".XXXXXX.varnix-tmp"));
    reserved.setAutoRemove(false);
    if (reserved.open())
        m_path = reserved.fileName();
}

ScratchFile::~ScratchFile()
{
    if (!m_committed && !m_path.isEmpty())
        QFile::remove(m_path);
}

bool ScratchFile::commit()
{
    if (m_path.isEmpty())
        return false;
    // The reserved file is private to its owner; the result gets the old
    // file's permissions, or those a new file usually has.
    const QFileDevice::Permissions usual = QFileDevice::ReadOwner | QFileDevice::WriteOwner
        | QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ReadGroup
        | QFileDevice::ReadOther;
    const QFileInfo old(m_target);
    QFile::setPermissions(m_path, old.exists() ? old.permissions() : usual);
    // rename() replaces the target in one step; QFile::rename refuses an
    // existing target, and removing it first would leave a moment with no
    // file at all.
    if (std::rename(QFile::encodeName(m_path).constData(), QFile::encodeName(m_target).constData())
        != 0) {
        QFile::remove(m_path);
        m_path.clear();
        return false;
    }
    m_committed = true;
    return true;
}

bool saveWholeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
        && file.error() == QFileDevice::NoError && file.commit();
}
