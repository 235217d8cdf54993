#pragma once

// A quicker way through the commonest JSON line: one object of strings,
// plain numbers, true, false and null, in the bytes of an ASCII chunk. The
// line is checked whole first and only then handed to the handler, as the
// events RapidJSON would send in place (RawNumber, Bool, ... on the line's
// own bytes, escapes written out where they stand), but for a key, which
// comes as FlatKey (it is ASCII, as its chunk is), and a string, which comes
// as FlatString with whether it had escapes: without one it holds no
// control characters. Both spare the handler a look at them. Anything
// else (a \u escape, an exponent, a nested value, a mistake) leaves the
// line to RapidJSON, which also words every error; nothing is written into
// the line before it is known to be taken here, since RapidJSON must then
// see it as it was.

#include "input/jsonlinestream.h"

#include <cstring>
#include <string>
#include <vector>

struct FlatToken
{
    enum Kind : unsigned char { Key, String, Number, Null, False, True };
    Kind kind;
    // A string with a backslash in it, to be written out before use.
    bool escaped;
    const char* chars;
    unsigned length;
};

// The tokens of the line being scanned. They are written where they stay
// and the list never shrinks: copying a token in from the stack stalled on
// its partly written bytes, and resizing a vector per line cost as much.
struct FlatTokens
{
    std::vector<FlatToken> items = std::vector<FlatToken>(64);
    size_t count = 0;

    FlatToken* next()
    {
        if (count == items.size())
            items.resize(items.size() * 2);
        return &items[count++];
    }
};

// The steps of the check, kept apart from other names.
namespace FlatLine {

// Past JSON's white space.
inline const char* skipJsonSpace(const char* p, const char* end)
{
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r'))
        ++p;
    return p;
}

// An escape JSON allows and that stands for one ASCII character, by the
// letter after its backslash; 0 for another (\u is left to RapidJSON).
inline char escapedChar(char letter)
{
    switch (letter) {
    case '"':
    case '\\':
    case '/':
        return letter;
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    default:
        return 0;
    }
}

// The string from its opening quote at p, without control characters or
// \u escapes, as a token of the kind given: where it ends, or null.
inline const char* flatString(
    const char* p, const char* end, FlatToken::Kind kind, FlatToken* token)
{
    bool escaped = false;
    const char* close = plainRunEnd(p + 1, end);
    while (close != end && *close == '\\') {
        if (end - close < 2 || !escapedChar(close[1]))
            return nullptr;
        escaped = true;
        close = plainRunEnd(close + 2, end);
    }
    if (close == end || *close != '"')
        return nullptr;
    token->kind = kind;
    token->escaped = escaped;
    token->chars = p + 1;
    token->length = unsigned(close - p - 1);
    return close + 1;
}

// Writes a checked string's escapes out where it stands, as RapidJSON does
// in place.
inline void unescape(char* chars, FlatToken* token)
{
    char* to = chars;
    const char* end = chars + token->length;
    for (const char* from = chars; from < end; ++from)
        *to++ = *from == '\\' ? escapedChar(*++from) : *from;
    token->length = unsigned(to - chars);
}

inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A number as JSON writes it, with at most 18 digits before any point (so
// that it can never be too large for the parser) and no exponent: its end,
// or null.
inline const char* flatNumberEnd(const char* p, const char* end)
{
    if (p < end && *p == '-')
        ++p;
    if (p == end)
        return nullptr;
    if (*p == '0') {
        ++p;
    } else if (*p >= '1' && *p <= '9') {
        const char* digits = p;
        while (p < end && isDigit(*p))
            ++p;
        if (p - digits > 18)
            return nullptr;
    } else {
        return nullptr;
    }
    if (p < end && *p == '.') {
        const char* fraction = ++p;
        while (p < end && isDigit(*p))
            ++p;
        if (p == fraction)
            return nullptr;
    }
    return p < end && (*p == 'e' || *p == 'E') ? nullptr : p;
}

// The token of the value at p, and where it ends; null for a value of
// another kind.
inline const char* flatValue(const char* p, const char* end, FlatToken* token)
{
    const auto literal = [&](const char* word, unsigned length, FlatToken::Kind kind) {
        if (unsigned(end - p) < length || std::memcmp(p, word, length) != 0)
            return static_cast<const char*>(nullptr);
        *token = { kind, false, p, length };
        return p + length;
    };
    switch (*p) {
    case '"':
        return flatString(p, end, FlatToken::String, token);
    case 't':
        return literal("true", 4, FlatToken::True);
    case 'f':
        return literal("false", 5, FlatToken::False);
    case 'n':
        return literal("null", 4, FlatToken::Null);
    default: {
        const char* after = flatNumberEnd(p, end);
        if (after)
            *token = { FlatToken::Number, false, p, unsigned(after - p) };
        return after;
    }
    }
}

// Checks the members of a flat object from just after its opening brace:
// where the object ends, or null.
inline const char* flatMembers(const char* p, const char* end, FlatTokens* tokens)
{
    const auto skipSpace = [&] {
        p = skipJsonSpace(p, end);
        return p < end;
    };
    if (!skipSpace())
        return nullptr;
    if (*p == '}')
        return p + 1;
    for (;;) {
        if (*p != '"' || !(p = flatString(p, end, FlatToken::Key, tokens->next())))
            return nullptr;
        if (!skipSpace() || *p != ':')
            return nullptr;
        ++p;
        if (!skipSpace() || !(p = flatValue(p, end, tokens->next())))
            return nullptr;
        if (!skipSpace())
            return nullptr;
        if (*p == '}')
            return p + 1;
        if (*p != ',')
            return nullptr;
        ++p;
        if (!skipSpace())
            return nullptr;
    }
}

} // namespace FlatLine

// The layout of the last line taken the quicker way: the bytes between its
// values (white space, punctuation and the keys as written) and the key
// each value follows. The lines of a file are mostly written by one program
// in one layout, so a line is first checked against these bytes: a match
// proves the same keys in the same order, as the full check would find
// them, and leaves only the values to scan and no key to look up.
class FlatShape
{
public:
    // Keeps the layout of a line whose tokens were just checked, before any
    // escape of it is written out; its keys follow with setKey().
    void learn(const char* from, const char* end, const FlatTokens& tokens)
    {
        m_glue.clear();
        m_members.clear();
        const char* after = from;
        for (size_t t = 1; t < tokens.count; t += 2) {
            const FlatToken& value = tokens.items[t];
            // A string's quotes are the value's, not the bytes between.
            const int quote = value.kind == FlatToken::String ? 1 : 0;
            addGlue(after, value.chars - quote);
            after = value.chars + value.length + quote;
        }
        addGlue(after, end);
    }
    void setKey(size_t member, int key) { m_members[member].key = key; }

    // The values of a line laid out as the one learnt, as tokens: where its
    // object ends, or null for a line of another layout.
    const char* match(const char* p, const char* end, FlatTokens* values) const
    {
        values->count = 0;
        if (m_members.size() < 2)
            return nullptr;
        const size_t last = m_members.size() - 1;
        for (size_t m = 0;; ++m) {
            const Member& member = m_members[m];
            if (size_t(end - p) < member.length
                || !sameBytes(p, m_glue.data() + member.offset, int(member.length)))
                return nullptr;
            p += member.length;
            if (m == last)
                return p;
            if (p == end || !(p = FlatLine::flatValue(p, end, values->next())))
                return nullptr;
        }
    }
    int key(size_t member) const { return m_members[member].key; }

private:
    struct Member
    {
        unsigned offset;
        unsigned length;
        // The key of the value after these bytes (none after the last).
        int key;
    };

    void addGlue(const char* from, const char* to)
    {
        m_members.push_back({ unsigned(m_glue.size()), unsigned(to - from), -1 });
        m_glue.append(from, size_t(to - from));
    }

    std::string m_glue;
    std::vector<Member> m_members;
};

// What the quicker way keeps from line to line.
struct FlatScan
{
    FlatTokens tokens;
    FlatShape shape;
};

// Hands a checked value to the handler, its escapes written out first.
template <typename Handler> void giveFlatValue(char* from, FlatToken& token, Handler& handler)
{
    if (token.escaped)
        FlatLine::unescape(from + (token.chars - from), &token);
    switch (token.kind) {
    case FlatToken::Key:
        break;
    case FlatToken::String:
        handler.FlatString(token.chars, token.length, token.escaped);
        break;
    case FlatToken::Number:
        handler.RawNumber(token.chars, token.length, false);
        break;
    case FlatToken::Null:
        handler.Null();
        break;
    case FlatToken::False:
    case FlatToken::True:
        handler.Bool(token.kind == FlatToken::True);
        break;
    }
}

// The line's object given to the handler: where it ends (what follows is
// the caller's to check), or null when the line is left to RapidJSON. The
// handler's FlatKey() returns the key it found, so that a line of the same
// layout can be given ShapedKey() instead.
template <typename Handler>
char* scanFlatRecord(char* from, char* to, Handler& handler, FlatScan* scan)
{
    FlatTokens* tokens = &scan->tokens;
    if (const char* end = scan->shape.match(from, to, tokens)) {
        handler.StartObject();
        for (size_t t = 0; t < tokens->count; ++t) {
            handler.ShapedKey(scan->shape.key(t));
            giveFlatValue(from, tokens->items[t], handler);
        }
        handler.EndObject(rapidjson::SizeType(tokens->count));
        return from + (end - from);
    }
    tokens->count = 0;
    const char* p = FlatLine::skipJsonSpace(from, to);
    if (p == to || *p != '{')
        return nullptr;
    const char* end = FlatLine::flatMembers(p + 1, to, tokens);
    if (!end)
        return nullptr;
    scan->shape.learn(from, end, *tokens);
    handler.StartObject();
    for (size_t t = 0; t < tokens->count; ++t) {
        FlatToken& token = tokens->items[t];
        if (token.kind != FlatToken::Key) {
            giveFlatValue(from, token, handler);
            continue;
        }
        if (token.escaped)
            FlatLine::unescape(from + (token.chars - from), &token);
        scan->shape.setKey(t / 2, handler.FlatKey(token.chars, token.length));
    }
    handler.EndObject(rapidjson::SizeType(tokens->count / 2));
    return from + (end - from);
}
