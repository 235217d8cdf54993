#pragma once

// Character searches for the inner loops of the text parsers. They look at
// eight characters at a time where the processor allows (SSE2 is part of
// every x86-64 processor) and one at a time elsewhere.

#include <QChar>
#include <QStringView>
#include <QtAlgorithms>

#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VARNIX_HAVE_SSE2 1
#endif

// Whether the count bytes at a and at b are the same: short runs such as a
// record's keys are compared in two overlapping words, without a call.
inline bool sameBytes(const char* a, const char* b, int count)
{
    const auto same = [a, b, count](auto word) {
        decltype(word) x, y, u, v;
        std::memcpy(&x, a, sizeof word);
        std::memcpy(&y, b, sizeof word);
        std::memcpy(&u, a + count - int(sizeof word), sizeof word);
        std::memcpy(&v, b + count - int(sizeof word), sizeof word);
        return x == y && u == v;
    };
#ifdef VARNIX_HAVE_SSE2
    if (count > 16 && count <= 32) {
        const auto load
            = [](const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
        const __m128i same = _mm_and_si128(_mm_cmpeq_epi8(load(a), load(b)),
            _mm_cmpeq_epi8(load(a + count - 16), load(b + count - 16)));
        return _mm_movemask_epi8(same) == 0xFFFF;
    }
#endif
    if (count > 16)
        return std::memcmp(a, b, size_t(count)) == 0;
    if (count >= 8)
        return same(quint64());
    if (count >= 4)
        return same(quint32());
    for (int i = 0; i < count; ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

// A text's code unit, held as a UTF-16 character or an ASCII byte.
inline ushort codeUnit(QChar c)
{
    return c.unicode();
}
inline ushort codeUnit(char c)
{
    return uchar(c);
}

// The first character in [p, end) that is c (ASCII); end when there is none.
inline const QChar* findCodeUnit(const QChar* p, const QChar* end, char c)
{
    const qsizetype at = QStringView(p, end - p).indexOf(QLatin1Char(c));
    return at < 0 ? end : p + at;
}
inline const char* findCodeUnit(const char* p, const char* end, char c)
{
    const void* at = std::memchr(p, c, size_t(end - p));
    return at ? static_cast<const char*>(at) : end;
}

// The first character in [p, end) that is a, b or c; end when there is none.
inline const QChar* findFirstOf(const QChar* p, const QChar* end, ushort a, ushort b, ushort c)
{
#ifdef VARNIX_HAVE_SSE2
    const __m128i va = _mm_set1_epi16(short(a));
    const __m128i vb = _mm_set1_epi16(short(b));
    const __m128i vc = _mm_set1_epi16(short(c));
    while (end - p >= 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hits
            = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(chunk, va), _mm_cmpeq_epi16(chunk, vb)),
                _mm_cmpeq_epi16(chunk, vc));
        const uint mask = uint(_mm_movemask_epi8(hits));
        if (mask != 0)
            return p + qCountTrailingZeroBits(mask) / 2;
        p += 8;
    }
#endif
    for (; p < end; ++p) {
        const ushort u = p->unicode();
        if (u == a || u == b || u == c)
            return p;
    }
    return end;
}

// The same in ASCII bytes, sixteen at a time. A character outside ASCII is
// looked for as a byte that ASCII text never has.
inline const char* findFirstOf(const char* p, const char* end, ushort a, ushort b, ushort c)
{
#ifdef VARNIX_HAVE_SSE2
    const auto byte = [](ushort u) { return char(u < 0x80 ? u : 0x80); };
    const __m128i va = _mm_set1_epi8(byte(a));
    const __m128i vb = _mm_set1_epi8(byte(b));
    const __m128i vc = _mm_set1_epi8(byte(c));
    while (end - p >= 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hits
            = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, va), _mm_cmpeq_epi8(chunk, vb)),
                _mm_cmpeq_epi8(chunk, vc));
        const uint mask = uint(_mm_movemask_epi8(hits));
        if (mask != 0)
            return p + qCountTrailingZeroBits(mask);
        p += 16;
    }
#endif
    for (; p < end; ++p) {
        const ushort u = uchar(*p);
        if (u == a || u == b || u == c)
            return p;
    }
    return end;
}

// The first character in [p, end) outside printable ASCII (space to '~').
inline const QChar* findNonPrintableAscii(const QChar* p, const QChar* end)
{
#ifdef VARNIX_HAVE_SSE2
    const __m128i low = _mm_set1_epi16(0x20);
    const __m128i high = _mm_set1_epi16(0x7e);
    while (end - p >= 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // Signed comparisons: code units from 0x8000 up count as below 0x20.
        const __m128i outside
            = _mm_or_si128(_mm_cmplt_epi16(chunk, low), _mm_cmpgt_epi16(chunk, high));
        const uint mask = uint(_mm_movemask_epi8(outside));
        if (mask != 0)
            return p + qCountTrailingZeroBits(mask) / 2;
        p += 8;
    }
#endif
    for (; p < end; ++p) {
        if (ushort(p->unicode() - 0x20) > 0x5e)
            return p;
    }
    return end;
}

// True when no byte has its high bit set, that is all of them are ASCII.
inline bool isAscii(const char* bytes, int count)
{
    int i = 0;
#ifdef VARNIX_HAVE_SSE2
    for (; i + 16 <= count; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        if (_mm_movemask_epi8(chunk) != 0)
            return false;
    }
#endif
    for (; i < count; ++i) {
        if (uchar(bytes[i]) >= 0x80)
            return false;
    }
    return true;
}

// Whether UTF-16 text holds exactly these Latin-1 bytes (count of each).
inline bool equalsLatin1(const QChar* chars, const char* bytes, int count)
{
    int i = 0;
#ifdef VARNIX_HAVE_SSE2
    const __m128i zero = _mm_setzero_si128();
    for (; i + 8 <= count; i += 8) {
        const __m128i narrow = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i wide = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_unpacklo_epi8(narrow, zero), wide)) != 0xffff)
            return false;
    }
#endif
    for (; i < count; ++i) {
        if (chars[i].unicode() != uchar(bytes[i]))
            return false;
    }
    return true;
}

// Whether every character is ASCII.
inline bool isAscii(const QChar* chars, int count)
{
    int i = 0;
#ifdef VARNIX_HAVE_SSE2
    const __m128i high = _mm_set1_epi16(short(0xff80));
    const __m128i zero = _mm_setzero_si128();
    for (; i + 8 <= count; i += 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(chunk, high), zero)) != 0xffff)
            return false;
    }
#endif
    for (; i < count; ++i) {
        if (chars[i].unicode() >= 0x80)
            return false;
    }
    return true;
}
