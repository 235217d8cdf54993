#pragma once

#include <QMap>
#include <QString>

// Name filters for the file windows, built from an extension map (extension
// to file type): "All known types" first, then one entry per type in type
// order, then "All files (*)" last.
namespace FileFilters {

QString fromExtensionMap(const QMap<QString, int>& extensions);
QString inputFilters();
QString outputFilters();

} // namespace FileFilters
