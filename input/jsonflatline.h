#pragma once

// A quicker way through the commonest JSON line: one object of strings
// without escapes, plain numbers, true, false and null, in the bytes of an
// ASCII chunk. The line is checked whole first and only then handed to the
// handler, as the same events RapidJSON would send in place (Key, String,
// RawNumber, ... on the line's own bytes), so the handler cannot tell the
// two apart. Anything else (an escape, an exponent, a nested value, a
// mistake) leaves the line to RapidJSON, which also words every error.

#include "input/jsonlinestream.h"

#include <vector>

struct FlatToken
{
    enum Kind : unsigned char { Key, String, Number, Null, False, True };
    Kind kind;
    const char* chars;
    unsigned length;
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

// The string from its opening quote at p, without escapes or control
// characters, as a token of the kind given: where it ends, or null.
inline const char* flatString(
    const char* p, const char* end, FlatToken::Kind kind, FlatToken* token)
{
    const char* close = plainRunEnd(p + 1, end);
    if (close == end || *close != '"')
        return nullptr;
    *token = { kind, p + 1, unsigned(close - p - 1) };
    return close + 1;
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
        *token = { kind, p, length };
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
            *token = { FlatToken::Number, p, unsigned(after - p) };
        return after;
    }
    }
}

// Checks the members of a flat object from just after its opening brace:
// where the object ends, or null.
inline const char* flatMembers(const char* p, const char* end, std::vector<FlatToken>* tokens)
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
        FlatToken key;
        FlatToken value;
        if (*p != '"' || !(p = flatString(p, end, FlatToken::Key, &key)))
            return nullptr;
        if (!skipSpace() || *p != ':')
            return nullptr;
        ++p;
        if (!skipSpace() || !(p = flatValue(p, end, &value)))
            return nullptr;
        tokens->push_back(key);
        tokens->push_back(value);
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

// The line's object given to the handler: where it ends (what follows is
// the caller's to check), or null when the line is left to RapidJSON.
template <typename Handler>
char* scanFlatRecord(char* from, char* to, Handler& handler, std::vector<FlatToken>* tokens)
{
    tokens->clear();
    const char* p = FlatLine::skipJsonSpace(from, to);
    if (p == to || *p != '{')
        return nullptr;
    const char* end = FlatLine::flatMembers(p + 1, to, tokens);
    if (!end)
        return nullptr;
    handler.StartObject();
    for (const FlatToken& token : *tokens) {
        switch (token.kind) {
        case FlatToken::Key:
            handler.Key(token.chars, token.length, false);
            break;
        case FlatToken::String:
            handler.String(token.chars, token.length, false);
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
    handler.EndObject(rapidjson::SizeType(tokens->size() / 2));
    return from + (end - from);
}
