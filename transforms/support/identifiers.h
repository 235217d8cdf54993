#pragma once

// Validity checks for standard identifiers and addresses, used by Verify.
// Each takes the text as written; what is ignored (white space, dashes) is
// said per check.

#include <QString>

// GS1 mod-10 check digit over the digits only (weights 3, 1, 3, ... from
// the digit left of the check digit). length 0 accepts 8, 12, 13 and 14
// digits (GTIN-8/12/13/14); otherwise exactly that many. White space is
// ignored.
bool isValidGtin(const QString& text, int length = 0);
inline bool isValidEan13(const QString& text)
{
    return isValidGtin(text, 13);
}
inline bool isValidUpcA(const QString& text)
{
    return isValidGtin(text, 12);
}
// ISBN-10 (mod 11, weights 10 .. 1, a final X is 10) or ISBN-13 (an EAN-13
// starting 978 or 979). White space and dashes are ignored.
bool isValidIsbn(const QString& text);
// ISO 13616: a known country code, that country's length, and mod 97 of the
// rearranged number equal to 1. White space is ignored, letters in any case.
bool isValidIban(const QString& text);
// ASIN: ten characters, upper-case letters and digits. Products carry "B0"
// and eight more letters or digits; books carry their ISBN-10, whose check
// digit must hold. Anything else is rejected. White space is ignored.
bool isValidAsin(const QString& text);
// The general RFC 5322 address form: a dot-atom or quoted local part, "@",
// and a domain of dot-separated labels or a bracketed IPv4 or tagged
// literal. Matched without regard to letter case, since domains are case
// blind and nearly every mail system treats local parts the same way.
bool isValidEmail(const QString& text);
