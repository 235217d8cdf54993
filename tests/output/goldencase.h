#pragma once

// Case files of the golden runners, so that a case is a readable data file
// and a new case needs no C++. A case file is lines of "key: value"; a key
// may repeat, and indented lines (two spaces) after it form its block:
//
//   # what the case guards (at least one comment line)
//   before: old.csv = append.before     a file put in the work folder first
//   mkdir: sub                          an empty folder made first
//   input:                              a block (here CSV, one record a line)
//     a,b
//     "x\ny",2
//   warning: Unable to write '{dir}/out.csv'
//   expect: out.csv = append.csv        the written file, byte for byte
//   expect: log.txt                     written, its content not compared
//
// In values and block lines \n, \r, \t, \\ and \xHH stand for characters;
// "{dir}" stands for the work folder, in messages and in the before and
// expected files; "{today}" for the date as file-name variables give it. The work folder must end
// up holding exactly the "before" files, unchanged unless expected, and the expected ones. Failures
// name the case file and line, with the expected and the actual text.

#include "tests/input/testsupport.h"

#include <QDate>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QVector>

struct GoldenEntry
{
    int line = 0;
    QString key;
    QString value;
    QStringList block;
};

class GoldenCase
{
public:
    explicit GoldenCase(const QString& path) : m_path(path)
    {
        const QStringList lines = QString::fromUtf8(readFile(path)).split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            const QString& l = lines.at(i);
            if (l.startsWith(QLatin1String("  ")) && !m_entries.isEmpty()) {
                m_entries.last().block << unescape(l.mid(2));
                continue;
            }
            if (l.startsWith(QLatin1Char('#')) || l.trimmed().isEmpty()) {
                m_commented = m_commented || l.startsWith(QLatin1Char('#'));
                continue;
            }
            // The value keeps its spaces but the one after the colon.
            const int colon = l.indexOf(QLatin1Char(':'));
            const QString value = colon < 0 ? QString() : l.mid(colon + 1);
            m_entries.append({ i + 1, l.left(colon).trimmed(),
                unescape(value.startsWith(QLatin1Char(' ')) ? value.mid(1) : value), {} });
        }
    }

    static QString unescape(const QString& text)
    {
        static const QMap<QChar, QChar> simple { { 'n', '\n' }, { 'r', '\r' }, { 't', '\t' },
            { '\\', '\\' } };
        QString out;
        for (int i = 0; i < text.size(); ++i) {
            const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
            if (text.at(i) != QLatin1Char('\\') || next.isNull()) {
                out += text.at(i);
            } else if (simple.contains(next)) {
                out += simple.value(next);
                ++i;
            } else if (next == QLatin1Char('x')) {
                out += QChar(text.mid(i + 2, 2).toUShort(nullptr, 16));
                i += 3;
            } else {
                out += text.at(i);
            }
        }
        return out;
    }

    QString fileName() const { return QFileInfo(m_path).fileName(); }
    QString sibling(const QString& name) const { return QFileInfo(m_path).dir().filePath(name); }
    QVector<GoldenEntry> entries(const QString& key) const
    {
        QVector<GoldenEntry> found;
        for (const GoldenEntry& e : m_entries) {
            if (e.key == key)
                found << e;
        }
        return found;
    }
    GoldenEntry entry(const QString& key) const { return entries(key).value(0); }
    bool has(const QString& key) const { return !entries(key).isEmpty(); }

    // Empty when the case can run: it says what it guards.
    QString problem() const
    {
        if (!QFile::exists(m_path))
            return QStringLiteral("%1: no such case file").arg(m_path);
        return m_commented
            ? QString()
            : QStringLiteral("%1:1: no comment line saying what it guards").arg(fileName());
    }

    // "file:line: what\n  expected: ...\n  actual:   ..."
    QString mismatch(
        int line, const QString& what, const QString& expected, const QString& actual) const
    {
        return QStringLiteral("%1:%2: %3\n  expected: %4\n  actual:   %5")
            .arg(fileName())
            .arg(line > 0 ? line : lastLine())
            .arg(what, visible(expected), visible(actual));
    }

    // The actual lines against the values of the key's entries, one by one.
    QString compareLines(const QString& key, const QStringList& actual, const QString& dir) const
    {
        const QVector<GoldenEntry> expected = entries(key);
        for (int i = 0; i < qMax(expected.size(), actual.size()); ++i) {
            const QString want = i < expected.size() ? expected.at(i).value : QStringLiteral("-");
            const QString got = i < actual.size() ? withDir(actual.at(i), dir) : "-";
            if (want != got) {
                const int line = i < expected.size() ? expected.at(i).line : lastLine();
                return mismatch(line, QStringLiteral("%1 %2").arg(key).arg(i + 1), want, got);
            }
        }
        return QString();
    }

    // The work folder's path and today's date in a text as a case gives them.
    static QString withDir(QString text, const QString& dir)
    {
        return text.replace(QDir::toNativeSeparators(dir), QStringLiteral("{dir}"))
            .replace(today(), QStringLiteral("{today}"));
    }
    static QString today() { return QDate::currentDate().toString(QStringLiteral("yyyy_MM_dd")); }

    // Puts the "before" files and folders into the work folder.
    QString prepare(const QString& dir) const
    {
        for (const GoldenEntry& e : entries(QStringLiteral("mkdir")))
            QDir(dir).mkpath(e.value);
        for (const GoldenEntry& e : entries(QStringLiteral("before"))) {
            const QString target = QDir(dir).filePath(fileOf(e));
            QDir().mkpath(QFileInfo(target).path());
            QByteArray bytes = readFile(sibling(sourceOf(e)));
            bytes.replace("{dir}", QDir::toNativeSeparators(dir).toUtf8());
            if (!writeFile(target, bytes))
                return mismatch(e.line, QStringLiteral("cannot prepare"), e.value, target);
        }
        return QString();
    }

    // The work folder against the "before" and "expect" entries.
    QString compareFolder(const QString& dir) const
    {
        QMap<QString, GoldenEntry> wanted;
        for (const QString& key : { QStringLiteral("before"), QStringLiteral("expect") }) {
            for (const GoldenEntry& e : entries(key))
                wanted.insert(fileOf(e).replace(QStringLiteral("{today}"), today()), e);
        }
        QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        QStringList present;
        while (it.hasNext())
            present << QDir(dir).relativeFilePath(it.next());
        for (const QString& name : present) {
            if (!wanted.contains(name))
                return mismatch(lastLine(), QStringLiteral("unexpected file"), QString(), name);
        }
        for (auto w = wanted.constBegin(); w != wanted.constEnd(); ++w) {
            const QString source = sourceOf(*w);
            if (!present.contains(w.key()))
                return mismatch(w->line, QStringLiteral("missing file"), w.key(), QString());
            if (source.isEmpty())
                continue;
            const QString error = compareBytes(
                w->line, sibling(source), readFile(QDir(dir).filePath(w.key())), dir);
            if (!error.isEmpty())
                return error;
        }
        return QString();
    }

private:
    // "file = source": the file in the work folder, the one beside the case.
    static QString fileOf(const GoldenEntry& e) { return e.value.section('=', 0, 0).trimmed(); }
    static QString sourceOf(const GoldenEntry& e) { return e.value.section('=', 1).trimmed(); }
    int lastLine() const { return m_entries.isEmpty() ? 1 : m_entries.last().line; }

    static QString visible(QString text)
    {
        return text.replace(QLatin1Char('\r'), QLatin1String("\\r"))
            .replace(QLatin1Char('\n'), QLatin1String("\\n"));
    }

    // Byte for byte, after the work folder's path in the actual file became
    // "{dir}"; on a difference, the first differing line of both.
    QString compareBytes(
        int line, const QString& expectedPath, QByteArray actual, const QString& dir) const
    {
        const QByteArray expected = readFile(expectedPath);
        actual.replace(QDir::toNativeSeparators(dir).toUtf8(), "{dir}");
        if (expected == actual)
            return QString();
        int at = 0;
        while (at < expected.size() && at < actual.size() && expected.at(at) == actual.at(at))
            ++at;
        const int start = expected.lastIndexOf('\n', at - 1) + 1;
        const auto lineAt = [start](const QByteArray& bytes) -> QString {
            const int end = bytes.indexOf('\n', start);
            return QString::fromLatin1(bytes.mid(start, end < 0 ? -1 : end - start + 1).toHex(' '))
                + QStringLiteral(" | ")
                + QString::fromUtf8(bytes.mid(start, end < 0 ? -1 : end - start));
        };
        return mismatch(line,
            QStringLiteral("%1 differs at byte %2 (line %3 of it)")
                .arg(QFileInfo(expectedPath).fileName())
                .arg(at)
                .arg(expected.left(at).count('\n') + 1),
            lineAt(expected), lineAt(actual));
    }

    QString m_path;
    bool m_commented = false;
    QVector<GoldenEntry> m_entries;
};

// One data row per case file under the folder (recursively), tagged by its
// path from there; the runner QFETCHes "path".
inline void addGoldenRows(const QString& folder, const QString& suffix)
{
    QTest::addColumn<QString>("path");
    QDirIterator it(
        folder, { QStringLiteral("*") + suffix }, QDir::Files, QDirIterator::Subdirectories);
    QStringList paths;
    while (it.hasNext())
        paths << it.next();
    paths.sort();
    QVERIFY2(!paths.isEmpty(), qPrintable(folder));
    for (const QString& path : paths)
        QTest::newRow(qPrintable(QDir(folder).relativeFilePath(path))) << path;
}
