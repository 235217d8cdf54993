#pragma once

// One column of a table, kept compactly: a column whose values repeat
// (countries, dates, categories) stores each distinct text once and a 4-byte
// code per row; a column of mostly different values (ids, e-mail addresses,
// free text) stores its texts one after the other in large blocks, one byte
// per character where every character fits in one (two otherwise), with an
// 8-byte place per row. A column is implicitly shared: copying it costs a
// reference count, and a copy that changes makes its own codes or places
// while still sharing the texts, which are never changed once written (a
// changed cell gets a new text). Reading a column from several threads is
// safe; changing one from two threads is not.
//
// Written here rather than taken from a library: the store has to hand out
// Qt texts (QString) cheaply, share them between copies, and keep memory
// close to the data's own size; the columnar libraries on Debian keep UTF-8
// and would convert every text read.

#include <QHash>
#include <QSharedData>
#include <QSharedDataPointer>
#include <QString>
#include <QVector>

#include <memory>
#include <string_view>
#include <vector>

class LocalGather;

class TextColumn
{
public:
    // Rows are counted up to 2,147,483,647; a text may be of any length.
    // With pooling off the column never looks for repeated values (the run
    // optimises for speed).
    explicit TextColumn(bool pooling = true);
    ~TextColumn();
    TextColumn(const TextColumn& other);
    TextColumn(TextColumn&& other) noexcept;
    TextColumn& operator=(const TextColumn& other);
    TextColumn& operator=(TextColumn&& other) noexcept;

    int size() const;
    // Whether the column keeps each distinct text once (a code per row).
    bool isCoded() const;

    QString value(int row) const;
    bool isEmpty(int row) const;
    int length(int row) const;
    // The text of a row without a copy of its own: the stored text where the
    // column keeps shared texts, or the scratch text filled with it (reused,
    // so that reading a million cells does not allocate a million texts).
    const QString& text(int row, QString& scratch) const;
    // The shared text of a coded column's row, whose storage stays the same
    // for every row with that value; null in a column of plain texts.
    const QString* storedText(int row) const;
    // The code of a coded column's row, below codeCount(): the same code for
    // the same text (0 for the empty text). A column of plain texts gives
    // each row a code of its own.
    quint32 code(int row) const;
    int codeCount() const;
    // The bytes a column of plain texts keeps for the row. Equal texts keep
    // equal bytes (a text is kept one byte per character whenever it can
    // be), so texts are hashed and compared on these without being read
    // out. Empty for an empty cell, and in a coded column (see code()).
    std::string_view storedBytes(int row) const;
    // The characters of a row of a column of plain texts kept one byte each
    // (Latin-1), without making a text: false in a coded column and for a
    // text kept in two bytes a character. An empty cell has no bytes.
    bool narrowText(int row, std::string_view* chars) const;

    // Asks for the memory of the row's text ahead of reading it: after a
    // sort or a join the texts of consecutive rows lie far apart. A coded
    // column's entry for the row is asked for first (prefetchEntry, further
    // ahead), so that finding the text's address does not wait for it.
    void prefetch(int row) const;
    void prefetchEntry(int row) const;
    // Whether the texts of rows [from, to) of a column of plain texts lie in
    // their blocks in row order, as a column read from a file keeps them:
    // reading those rows one after another then reads memory forward, which
    // the processor fetches ahead by itself. Judged on a few rows spread
    // over the range (a table in a new order shows at once); false in a
    // coded column.
    bool inReadOrder(int from, int to) const;

    void reserve(int rows);
    void append(const QString& text);
    // The same for characters still in a reader's buffer: a column of plain
    // texts copies them without making a text first.
    void append(const QChar* chars, int count);
    void appendLatin1(const char* bytes, int count);
    // Appends a text of a value pool, where equal texts share one storage:
    // the text is known by its storage alone, without hashing it. (A text
    // equal to another but stored apart gets a code of its own.) Gives the
    // text's code, for appendCode() of its repeats, or 0 where the column
    // keeps plain texts.
    quint32 appendPooled(const QString& text);
    // Appends repeats of a text appendPooled() gave the code of; false (and
    // nothing appended) once the column keeps plain texts.
    bool appendCode(quint32 code, int count = 1);
    void appendEmpty(int count);
    // Appends every row of the other column: plain texts are shared rather
    // than copied, codes are translated once per distinct value.
    void appendColumn(const TextColumn& other);
    void set(int row, const QString& text);
    void insert(int row, const QString& text);
    void remove(int row);
    // Keeps the first rows, or adds empty ones.
    void resize(int rows);
    // A column of the rows given, in that order (a row may repeat; a
    // negative one is an empty cell). Texts are shared with this column
    // when most are kept, and copied otherwise, so that a small selection
    // does not keep a large column's texts alive.
    TextColumn gathered(const int* rows, int count) const;
    // The same for a large gather in a new order (see LocalGather): the
    // column's texts are copied into blocks of its own in the new order, so
    // that it is read forward through memory too, rather than from all over
    // the source's.
    TextColumn gathered(const LocalGather& plan) const;
    // Keeps plain texts from now on, for a reader that has found the
    // column's values hardly repeat.
    void keepPlainTexts();
    // Gives back the room kept for more rows and texts, once the column is
    // complete.
    void squeeze();
    // Lets go of the look-up table of a coded column (kept to add values):
    // adding values later builds it again.
    void dropIndex();
    bool sameValues(const TextColumn& other) const;
    bool sharesStorageWith(const TextColumn& other) const { return d == other.d; }
    // Bytes held for the texts, codes and places (for the memory report).
    qint64 bytesUsed() const;

private:
    struct Block;
    struct Data;

    template <typename Char> void appendChars(const Char* chars, int count);
    void toPlain();
    void compactIfWasteful();

    QSharedDataPointer<Data> d;
};
Q_DECLARE_TYPEINFO(TextColumn, Q_MOVABLE_TYPE);
