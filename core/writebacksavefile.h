#pragma once

#include <QSaveFile>

// A save file that has the system put its bytes on disk as they come, and
// then lets go of their pages, rather than leaving the whole file in memory
// for commit(). commit() syncs the file before it takes the old one's place,
// so that a crash never leaves a half-written file under the name; but the
// system only begins writing back on its own once a tenth or so of memory
// holds unwritten pages, so a file of gigabytes reached commit() with most
// of it still to go. And every page a long output takes is one the system
// must find: one it has not used for a while costs many times the copy into
// it (on a virtual machine, its host supplies it anew), and the output
// pushes the user's other files out of memory. Written back a stride at a
// time and let go of a few strides behind, the file's pages are the same few
// megabytes over and over and the sync at the end finds little left. Where
// the system has no such requests this is a plain QSaveFile.
class WritebackSaveFile : public QSaveFile
{
public:
    using QSaveFile::QSaveFile;

    // How much is written before it is handed to the disk, and how far
    // behind what was handed the pages are let go of.
    static constexpr qint64 Stride = qint64(16) << 20;
    static constexpr qint64 LetGoBehind = 4 * Stride;

    // The bytes from the start of the file that the disk has been asked to
    // take so far, and those of them that are on disk and out of memory.
    qint64 bytesHandedToDisk() const { return m_handed; }
    qint64 bytesLetGo() const { return m_letGo; }

protected:
    qint64 writeData(const char* data, qint64 len) override;

private:
    void handOn();

    qint64 m_written = 0;
    qint64 m_handed = 0;
    qint64 m_letGo = 0;
};
