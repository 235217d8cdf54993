#pragma once

// The JSON lines reader's view of its lines, held in UTF-16 characters or
// in the bytes of an ASCII chunk: where a line ends, the line as a stream
// for RapidJSON's in-situ parse, the parser's scan of a string's plain run
// done many characters at a time, and the text of a value it unescaped.

#include "input/charscan.h"

#include <QChar>
#include <QString>

#include <rapidjson/reader.h>

#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

// One line of a chunk as an in-situ stream: it knows its end, so that a NUL
// character inside the text is not taken for it.
template <typename CharT> struct InsituLine
{
    using Ch = CharT;
    Ch* begin;
    Ch* src;
    Ch* dst;
    Ch* end;

    Ch Peek() const { return src < end ? *src : Ch(0); }
    Ch Take() { return src < end ? *src++ : Ch(0); }
    size_t Tell() const { return size_t(src - begin); }
    Ch* PutBegin() { return dst = src; }
    void Put(Ch c) { *dst++ = c; }
    size_t PutEnd(Ch* from) { return size_t(dst - from); }
    void Flush() { }
};

// Where a line ends: at its line feed, or at the chunk's end.
inline char* findLineFeed(char* from, char* to)
{
    return from + (findCodeUnit(from, to, '\n') - from);
}
inline char16_t* findLineFeed(char16_t* from, char16_t* to)
{
    const auto* chars = reinterpret_cast<const QChar*>(from);
    return from + (findCodeUnit(chars, chars + (to - from), '\n') - chars);
}

inline bool isLineSpace(char16_t c)
{
    return QChar(ushort(c)).isSpace();
}
inline bool isLineSpace(char c)
{
    return isLineSpace(char16_t(uchar(c)));
}
template <typename Ch> inline bool isBlank(const Ch* from, const Ch* to)
{
    return std::all_of(from, to, [](Ch c) { return isLineSpace(c); });
}

// The text of a value whose escapes the parser wrote out as UTF-8 into an
// ASCII chunk. The parser wrote every sequence, so each is whole; an
// escaped lone surrogate is kept as the code unit it names, as the UTF-16
// parse keeps it (a strict UTF-8 decoder would replace it).
inline QString fromEscapedUtf8(const char* bytes, int count)
{
    QString text;
    text.reserve(count);
    for (int i = 0; i < count;) {
        const uchar lead = uchar(bytes[i]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        uint code = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length && i + k < count; ++k)
            code = (code << 6) | (uchar(bytes[i + k]) & 0x3F);
        i += length;
        if (QChar::requiresSurrogates(code)) {
            text.append(QChar(QChar::highSurrogate(code)));
            text.append(QChar(QChar::lowSurrogate(code)));
        } else {
            text.append(QChar(ushort(code)));
        }
    }
    return text;
}

// The parser's encoding for a chunk held in these characters.
template <typename CharT> struct LineEncoding;
template <> struct LineEncoding<char16_t>
{
    using Type = rapidjson::UTF16<char16_t>;
};
template <> struct LineEncoding<char>
{
    using Type = rapidjson::UTF8<char>;
};

// Where the plain run of a string ends: at its closing quote, an escape or
// a control character, found a vector (eight characters, sixteen bytes) at
// a time.
inline const char16_t* plainRunEnd(const char16_t* p, const char16_t* end)
{
#ifdef __SSE2__
    const __m128i quote = _mm_set1_epi16('"');
    const __m128i backslash = _mm_set1_epi16('\\');
    const __m128i lastControl = _mm_set1_epi16(0x1F);
    const __m128i zero = _mm_setzero_si128();
    for (; end - p >= 8; p += 8) {
        const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // Unsigned c <= 0x1F exactly when c - 0x1F saturates to zero.
        const __m128i stops = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi16(chars, quote), _mm_cmpeq_epi16(chars, backslash)),
            _mm_cmpeq_epi16(_mm_subs_epu16(chars, lastControl), zero));
        if (const int mask = _mm_movemask_epi8(stops))
            return p + __builtin_ctz(unsigned(mask)) / 2;
    }
#endif
    while (p < end && *p != '"' && *p != '\\' && *p >= 0x20)
        ++p;
    return p;
}
inline const char* plainRunEnd(const char* p, const char* end)
{
#ifdef __SSE2__
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i lastControl = _mm_set1_epi8(0x1F);
    const __m128i zero = _mm_setzero_si128();
    for (; end - p >= 16; p += 16) {
        const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i stops = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(chars, quote), _mm_cmpeq_epi8(chars, backslash)),
            _mm_cmpeq_epi8(_mm_subs_epu8(chars, lastControl), zero));
        if (const int mask = _mm_movemask_epi8(stops))
            return p + __builtin_ctz(unsigned(mask));
    }
#endif
    while (p < end && *p != '"' && *p != '\\' && static_cast<unsigned char>(*p) >= 0x20)
        ++p;
    return p;
}

// The parser would otherwise take each character of a string on its own;
// it copies code units as they are, so nothing else needs a look here. The
// run is moved in one piece, and only after an escape is there anything to
// move.
template <typename CharT> void copyPlainRun(InsituLine<CharT>& is, InsituLine<CharT>& os)
{
    const size_t count = size_t(plainRunEnd(is.src, is.end) - is.src);
    if (os.dst != is.src)
        std::memmove(os.dst, is.src, count * sizeof(CharT));
    os.dst += count;
    is.src += count;
}

namespace rapidjson {
// The reader works on a copy of the stream (kept in registers) and hands a
// number over from where the stream stood before the number.
template <typename CharT> struct StreamTraits<InsituLine<CharT>>
{
    enum { copyOptimization = 1 };
};

template <>
template <>
inline void GenericReader<UTF16<char16_t>, UTF16<char16_t>, CrtAllocator>::ScanCopyUnescapedString(
    InsituLine<char16_t>& is, InsituLine<char16_t>& os)
{
    copyPlainRun(is, os);
}

template <>
template <>
inline void GenericReader<UTF8<char>, UTF8<char>, CrtAllocator>::ScanCopyUnescapedString(
    InsituLine<char>& is, InsituLine<char>& os)
{
    copyPlainRun(is, os);
}
} // namespace rapidjson
