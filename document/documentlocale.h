#pragma once

// A document reads and writes numbers and dates in the locale it was saved
// with, whatever the locale of the machine that opens or runs it: a
// document saved in German reads "1.234,5" as a number everywhere.

#include <QString>

namespace DocumentLocale {

// Makes the named locale the default locale. The date formats follow it
// when they are the standard list of the locale in force (the user has not
// chosen a list of their own). False, and nothing changed, for an empty or
// unknown name.
bool apply(const QString& name);

} // namespace DocumentLocale
