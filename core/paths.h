#pragma once

#include <QString>

// How every message names a file: its absolute path with the platform's
// native separators.
QString displayPath(const QString& path);
