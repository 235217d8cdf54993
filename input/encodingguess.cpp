#include "input/encodingguess.h"

#include <QFile>
#include <QTextCodec>

#include <algorithm>
#include <numeric>

namespace {

// Tried in this order; candidates that read the bytes equally well keep it
// (a file without bytes 0x80-0x9F reads the same in both Latin encodings).
const char* const Tried[] = { "UTF-8", "ISO-8859-1", "Windows-1252", "UTF-16LE", "UTF-16BE" };
constexpr int Shown = 3;

bool isUnlikely(QChar c)
{
    const ushort u = c.unicode();
    if (u == '\t' || u == '\n' || u == '\r')
        return false;
    if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
        return true;
    // A character whose low byte is zero: what ASCII read as UTF-16 in the
    // wrong byte order gives ("n" as U+6E00).
    if (u > 0xFF && (u & 0xFF) == 0)
        return true;
    const QChar::Category category = c.category();
    return category == QChar::Other_NotAssigned || category == QChar::Other_PrivateUse
        || category == QChar::Other_Surrogate;
}

// UTF-8's lead bytes read as Windows-1252 or ISO-8859-1: "Ã" or "Â" before
// a character of 0x80-0xBF, and "â€".
int misdecodedCount(const QString& text)
{
    int count = 0;
    for (int i = 0; i + 1 < text.size(); ++i) {
        const ushort a = text.at(i).unicode();
        const ushort b = text.at(i + 1).unicode();
        if (((a == 0xC3 || a == 0xC2) && b >= 0x80 && b <= 0xBF) || (a == 0xE2 && b == 0x20AC))
            ++count;
    }
    return count;
}

EncodingCandidate decodeWith(const char* name, const QByteArray& head, QString* text)
{
    EncodingCandidate candidate;
    candidate.name = QString::fromLatin1(name);
    QTextCodec* codec = QTextCodec::codecForName(name);
    // A sequence cut by the end of the head is not the file's fault.
    QTextCodec::ConverterState state;
    *text = codec->toUnicode(head.constData(), head.size(), &state);
    candidate.undecodable = state.invalidChars;
    // Valid UTF-8 is hardly ever one-byte text by chance, so its C1
    // controls are taken as the file's own: what text decoded as Latin-1 and
    // written as UTF-8 again holds.
    const bool utf8 = qstrcmp(name, "UTF-8") == 0;
    for (const QChar c : qAsConst(*text)) {
        if (c == QChar::ReplacementCharacter)
            ++candidate.undecodable;
        else if (isUnlikely(c) && !(utf8 && c.unicode() >= 0x80 && c.unicode() <= 0x9F))
            ++candidate.unlikely;
    }
    candidate.misdecoded = misdecodedCount(*text);
    // Line feeds that UTF-16 does not read as line feeds: one-byte text
    // read two bytes at a time, or UTF-16 in the other byte order.
    if (candidate.name.startsWith(QLatin1String("UTF-16")))
        candidate.unlikely += qMax(0, head.count('\n') - text->count(QLatin1Char('\n')));
    return candidate;
}

// How unlikely a reading is. Text that shows UTF-8 read one byte at a time
// does not count against it: the file may hold such text itself, and the
// traps of its columns say so.
int score(const EncodingCandidate& c)
{
    return c.undecodable * 2 + c.unlikely;
}

} // namespace

EncodingGuess guessEncoding(const QByteArray& head)
{
    QVector<EncodingCandidate> all;
    QVector<QStringList> lines;
    for (const char* name : Tried) {
        QString text;
        all.append(decodeWith(name, head, &text));
        lines.append(text.split(QLatin1Char('\n')));
    }
    QVector<int> order(all.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
        [&](int a, int b) { return score(all.at(a)) < score(all.at(b)); });
    order.resize(Shown);
    EncodingGuess guess;
    // The sample: the first lines where the most likely reading and the
    // next one that reads differently at all part.
    const QStringList& first = lines.at(order.first());
    for (int o = 1; o < order.size() && guess.sampleLines.isEmpty(); ++o) {
        const QStringList& other = lines.at(order.at(o));
        for (int l = 0; l < first.size() && guess.sampleLines.size() < EncodingGuess::SampleLines;
             ++l) {
            if (other.value(l) != first.at(l))
                guess.sampleLines.append(l + 1);
        }
    }
    for (int c : qAsConst(order)) {
        EncodingCandidate candidate = all.at(c);
        for (int l : qAsConst(guess.sampleLines))
            candidate.sample.append(lines.at(c).value(l - 1).remove(QLatin1Char('\r')));
        guess.candidates.append(candidate);
    }
    return guess;
}

EncodingGuess guessFileEncoding(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return EncodingGuess();
    }
    return guessEncoding(file.read(EncodingGuess::HeadBytes));
}
