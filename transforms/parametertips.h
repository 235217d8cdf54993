#pragma once

#include <QString>

// The tip of a transform option whose definition gives none: what it does,
// in the words of the options around it. Keyed by the transform's type key
// and the option's key, falling back to the option's key alone for options
// many types share ("New_Name"); empty when neither is listed.
QString parameterTip(const QString& typeKey, const QString& key);
