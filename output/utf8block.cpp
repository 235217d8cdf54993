#include "output/utf8block.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VARNIX_UTF8BLOCK_SSE2 1
#endif

void Utf8Block::append(const QChar* chars, int count)
{
    // Three bytes per character at most: a pair of surrogates makes four.
    reserve(count * 3);
    const ushort* p = reinterpret_cast<const ushort*>(chars);
    const ushort* const end = p + count;
    char* out = m_out + m_used;
    if (!m_pendingHigh) {
#ifdef VARNIX_UTF8BLOCK_SSE2
        // Nearly all text is ASCII: eight characters narrowed per step.
        const __m128i high = _mm_set1_epi16(short(0xFF80));
        for (; end - p >= 8; p += 8, out += 8) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(chunk, high), _mm_setzero_si128()))
                != 0xFFFF)
                break;
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(chunk, chunk));
        }
#endif
        for (; p != end && *p < 0x80; ++p)
            *out++ = char(*p);
    }
    m_used = int(out - m_out);
    for (; p != end; ++p)
        putChar(*p);
}

// As the stream's own UTF-8 conversion does it: a surrogate pair as four
// bytes, a surrogate without its partner as '?', and a high surrogate at the
// end of a piece kept for the piece after.
void Utf8Block::putSlow(ushort c)
{
    char* out = m_out + m_used;
    if (m_pendingHigh) {
        const ushort high = m_pendingHigh;
        m_pendingHigh = 0;
        if (QChar::isLowSurrogate(c)) {
            const uint u = QChar::surrogateToUcs4(high, c);
            *out++ = char(0xF0 | (u >> 18));
            *out++ = char(0x80 | ((u >> 12) & 0x3F));
            *out++ = char(0x80 | ((u >> 6) & 0x3F));
            *out++ = char(0x80 | (u & 0x3F));
            m_used = int(out - m_out);
            return;
        }
        *out++ = '?';
    }
    if (c < 0x80) {
        *out++ = char(c);
    } else if (c < 0x800) {
        *out++ = char(0xC0 | (c >> 6));
        *out++ = char(0x80 | (c & 0x3F));
    } else if (QChar::isHighSurrogate(c)) {
        m_pendingHigh = c;
    } else if (QChar::isLowSurrogate(c)) {
        *out++ = '?';
    } else {
        *out++ = char(0xE0 | (c >> 12));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    }
    m_used = int(out - m_out);
}

void Utf8Block::grow(int count)
{
    m_bytes.resize(qMax(m_used + count + Slack, m_bytes.size() * 2 + 8192));
    m_out = m_bytes.data();
}
