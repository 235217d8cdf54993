#include "document/heldfile.h"

#include "core/userprompt.h"

#include <QDir>
#include <QFileInfo>

#include <sys/file.h>

HeldDocumentFile::~HeldDocumentFile()
{
    close();
}

bool HeldDocumentFile::open(const QString& path)
{
    close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadWrite))
        return false;
    // Advisory: programs that honour locks will not write it while we hold
    // it; anyone may still read it.
    if (::flock(m_file.handle(), LOCK_EX | LOCK_NB) != 0) {
        m_file.close();
        return false;
    }
    return true;
}

void HeldDocumentFile::close()
{
    if (!m_file.isOpen())
        return;
    ::flock(m_file.handle(), LOCK_UN);
    m_file.close();
}

QString HeldDocumentFile::cannotHoldQuestion(const QString& path)
{
    return QStringLiteral("Cannot open '%1' to write.\nYou may have insufficient access, it may be "
                          "read-only or it may be open in another application.\nOpen it read-only "
                          "and select 'File'>Save as...' to save it to a different "
                          "filename/folder.")
        .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
}

bool HeldDocumentFile::openForEditing(const QString& path, UserPrompt& prompt)
{
    close();
    if (open(path))
        return true;
    return prompt.confirm(cannotHoldQuestion(path));
}
