#pragma once

// Which encoding a text file is most likely in, for the user to choose from:
// each candidate decodes the file's first bytes, and is ranked by the bytes
// it cannot decode and by what it makes that text rarely holds (control
// characters, the "Ã©" of UTF-8 read as a one-byte encoding). The Automatic
// setting does not use this; it only informs the user's choice.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

struct EncodingCandidate
{
    QString name;
    // Bytes (or byte pairs) that do not decode in this encoding.
    int undecodable = 0;
    // Characters text rarely holds: control characters, NULs, unassigned
    // or private-use ones.
    int unlikely = 0;
    // Places where the decoded text looks like UTF-8 read one byte at a
    // time ("Ã©", "â€™").
    int misdecoded = 0;
    // The sample lines (see EncodingGuess) as this encoding reads them.
    QStringList sample;
};

struct EncodingGuess
{
    // The bytes looked at: the first 64 KB.
    static constexpr int HeadBytes = 64 * 1024;
    static constexpr int SampleLines = 5;
    // The three most likely first.
    QVector<EncodingCandidate> candidates;
    // The numbers (from 1) of the lines the sample holds: the first lines
    // where the candidates read differently.
    QVector<int> sampleLines;
};

EncodingGuess guessEncoding(const QByteArray& head);
// The same for a file's first HeadBytes; empty when it cannot be read.
EncodingGuess guessFileEncoding(const QString& path, QString* error = nullptr);
