#include "output/librarymessages.h"

#include <QByteArray>
#include <QString>

#include <unistd.h>

LibraryMessages::LibraryMessages()
{
    std::fflush(stderr);
    m_file = std::tmpfile();
    if (!m_file)
        return;
    m_saved = dup(STDERR_FILENO);
    if (m_saved < 0 || dup2(fileno(m_file), STDERR_FILENO) < 0) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

LibraryMessages::~LibraryMessages()
{
    take();
}

QStringList LibraryMessages::take()
{
    if (!m_file)
        return {};
    std::fflush(stderr);
    dup2(m_saved, STDERR_FILENO);
    close(m_saved);
    m_saved = -1;
    QByteArray text;
    std::rewind(m_file);
    char buffer[4096];
    size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, m_file)) > 0)
        text.append(buffer, int(read));
    std::fclose(m_file);
    m_file = nullptr;
    QStringList lines;
    for (const QByteArray& line : text.split('\n')) {
        const QString trimmed = QString::fromLocal8Bit(line).trimmed();
        if (!trimmed.isEmpty())
            lines << trimmed;
    }
    return lines;
}
