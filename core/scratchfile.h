#pragma once

#include <QByteArray>
#include <QString>

// A scratch file beside a target, put in the target's place in one step.
// Writers that must hand a library a path (the workbook library, the PDF
// writer, image saving) write to the scratch file and commit it only when
// the library reports success, so a failed or killed write leaves the old
// file as it was. Each scratch name is unique to its write: two runs writing
// the same file at once never share one. An uncommitted scratch file is
// removed when the object goes.
class ScratchFile
{
public:
    explicit ScratchFile(const QString& target);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // False when no scratch file could be made in the target's folder (a
    // read-only or missing folder).
    bool isValid() const { return !m_path.isEmpty(); }
    const QString& path() const { return m_path; }
    // Renames the scratch file over the target (replacing it atomically),
    // keeping the old file's permissions; false when that fails, the
    // scratch file then being removed.
    bool commit();

private:
    QString m_target;
    QString m_path;
    bool m_committed = false;
};

// Writes bytes made in memory to the file in one piece through a save file:
// the old file is replaced only when every byte was written (a full disk
// shows as a short write and leaves it as it was).
bool saveWholeFile(const QString& path, const QByteArray& bytes);
