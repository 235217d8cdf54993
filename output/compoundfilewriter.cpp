#include "output/compoundfilewriter.h"

#include <QtEndian>

namespace {

constexpr int Sector = 512;
constexpr quint32 FreeSect = 0xFFFFFFFF;
constexpr quint32 EndOfChain = 0xFFFFFFFE;
constexpr quint32 FatSect = 0xFFFFFFFD;
constexpr quint32 DifSect = 0xFFFFFFFC;
constexpr int HeaderFatSlots = 109;
constexpr int IdsPerSector = Sector / 4;

void put16(QByteArray* b, int at, quint16 v)
{
    qToLittleEndian(v, b->data() + at);
}

void put32(QByteArray* b, int at, quint32 v)
{
    qToLittleEndian(v, b->data() + at);
}

QByteArray directoryEntry(const QString& name, int type, quint32 child, quint32 start, quint32 size)
{
    QByteArray e(128, '\0');
    for (int i = 0; i < name.size() && i < 31; ++i)
        put16(&e, i * 2, name.at(i).unicode());
    put16(&e, 0x40, quint16(name.isEmpty() ? 0 : (name.size() + 1) * 2));
    e[0x42] = char(type);
    e[0x43] = 1; // black in the red-black tree of names
    put32(&e, 0x44, FreeSect);
    put32(&e, 0x48, FreeSect);
    put32(&e, 0x4C, child);
    put32(&e, 0x74, start);
    put32(&e, 0x78, size);
    return e;
}

} // namespace

QByteArray compoundFile(const QString& streamName, QByteArray stream)
{
    if (stream.size() < 4096)
        stream.append(QByteArray(4096 - stream.size(), '\0'));
    const quint32 size = quint32(stream.size());
    stream.append(QByteArray((Sector - stream.size() % Sector) % Sector, '\0'));
    const int dataSectors = stream.size() / Sector;
    // The allocation table covers every sector, its own and those of its
    // index included.
    int fat = 1;
    int difat = 0;
    for (;;) {
        difat = fat > HeaderFatSlots
            ? (fat - HeaderFatSlots + IdsPerSector - 2) / (IdsPerSector - 1)
            : 0;
        if (fat * IdsPerSector >= dataSectors + 1 + fat + difat)
            break;
        ++fat;
    }
    const int dirSector = dataSectors;
    const int firstFat = dataSectors + 1;
    const int firstDifat = firstFat + fat;

    QByteArray table(fat * Sector, '\xFF');
    for (int s = 0; s < dataSectors; ++s)
        put32(&table, s * 4, s + 1 < dataSectors ? quint32(s + 1) : EndOfChain);
    put32(&table, dirSector * 4, EndOfChain);
    for (int s = 0; s < fat; ++s)
        put32(&table, (firstFat + s) * 4, FatSect);
    for (int s = 0; s < difat; ++s)
        put32(&table, (firstDifat + s) * 4, DifSect);

    QByteArray header(Sector, '\0');
    header.replace(0, 8, QByteArray::fromHex("D0CF11E0A1B11AE1"));
    put16(&header, 0x18, 0x003E);
    put16(&header, 0x1A, 0x0003);
    put16(&header, 0x1C, 0xFFFE);
    put16(&header, 0x1E, 9);
    put16(&header, 0x20, 6);
    put32(&header, 0x2C, quint32(fat));
    put32(&header, 0x30, quint32(dirSector));
    put32(&header, 0x38, 4096);
    put32(&header, 0x3C, EndOfChain);
    put32(&header, 0x44, difat > 0 ? quint32(firstDifat) : EndOfChain);
    put32(&header, 0x48, quint32(difat));
    for (int i = 0; i < HeaderFatSlots; ++i)
        put32(&header, 0x4C + i * 4, i < fat ? quint32(firstFat + i) : FreeSect);

    QByteArray index(difat * Sector, '\xFF');
    for (int i = HeaderFatSlots; i < fat; ++i) {
        const int slot = i - HeaderFatSlots;
        put32(&index, (slot / (IdsPerSector - 1)) * Sector + (slot % (IdsPerSector - 1)) * 4,
            quint32(firstFat + i));
    }
    for (int d = 0; d < difat; ++d)
        put32(&index, d * Sector + Sector - 4,
            d + 1 < difat ? quint32(firstDifat + d + 1) : EndOfChain);

    QByteArray directory = directoryEntry(QStringLiteral("Root Entry"), 5, 1, EndOfChain, 0)
        + directoryEntry(streamName, 2, FreeSect, 0, size)
        + directoryEntry(QString(), 0, FreeSect, 0, 0)
        + directoryEntry(QString(), 0, FreeSect, 0, 0);
    return header + stream + directory + table + index;
}
