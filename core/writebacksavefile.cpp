#include "core/writebacksavefile.h"

#ifdef Q_OS_LINUX
#include <fcntl.h>
#endif

qint64 WritebackSaveFile::writeData(const char* data, qint64 len)
{
    const qint64 written = QSaveFile::writeData(data, len);
    if (written > 0) {
        m_written += written;
        if (m_written - m_handed >= Stride)
            handOn();
    }
    return written;
}

void WritebackSaveFile::handOn()
{
#ifdef Q_OS_LINUX
    const int fd = handle();
    // Only asks for the write to begin: the call returns without waiting
    // for the disk. Bytes still in the device's own small buffer are not on
    // their pages yet; the next stride, or the sync at commit(), takes them.
    if (::sync_file_range(fd, m_handed, m_written - m_handed, SYNC_FILE_RANGE_WRITE) != 0)
        return;
    m_handed = m_written;
    // Some strides behind, the bytes handed on before have had time to reach
    // the disk: waited for (nearly always over at once; a stride behind, the
    // waits cost a million-row XML write a tenth of a second), then their
    // pages freed for the strides to come.
    const qint64 end = m_handed - LetGoBehind;
    if (end - m_letGo < Stride)
        return;
    const unsigned waitForAll
        = SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
    if (::sync_file_range(fd, m_letGo, end - m_letGo, waitForAll) == 0
        && ::posix_fadvise(fd, m_letGo, end - m_letGo, POSIX_FADV_DONTNEED) == 0)
        m_letGo = end;
#endif
}
