#pragma once

// The file-name variables of output paths, comments and stamps: {date},
// {username}, {transformfname}, the Input aliases and the like.

#include <QDateTime>
#include <QString>
#include <QVector>

// An Input item's alias as seen by output paths: its current file (or, for a
// folder input, its folder) and Excel sheet.
struct FileNameAlias
{
    QString alias;
    QString path;
    QString sheet;
    bool isFolder = false;
};

// Everything the file-name variables are replaced with.
struct FileNameContext
{
    QDateTime now;
    QString version; // "major.minor.patch"
    QString computerName;
    QString userName;
    QString documentPath; // the document file; empty when not saved
    QVector<FileNameAlias> aliases;
};

// The current time, this program's version and the machine's and user's
// names; no document and no aliases.
FileNameContext currentFileNameContext();
QString currentComputerName();
QString currentUserName();

// Replaces {date}, {time}, {datetime}, {day}, {month}, {year}, {hour},
// {minute}, {second}, {version}, {computername}, {username},
// {transformfname} and the alias forms {a}, {a.fname}, {a.folder},
// {a.lastfolder}, {a.ext}, {a.sheet}. Names are case-sensitive; braces that
// name nothing known stay as written. Aliases are replaced first.
QString expandFileNameVariables(const QString& text, const FileNameContext& context);

// The default file comment, still holding its variables.
QString defaultFileComment();

// Splits "book.xlsx[Sheet]" into the file and the sheet; a path without a
// trailing bracketed name is returned whole with an empty sheet.
void splitSheetFromPath(const QString& text, QString& path, QString& sheet);
