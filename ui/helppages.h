#pragma once

#include <QString>
#include <QUrl>

// The help that comes with the program, as plain HTML pages addressed by
// "help:" URLs: "help:contents", "help:quick-start", "help:tips", "help:faq",
// "help:transforms" and "help:transform/<type key>". The transform pages are
// built when asked for, from each type's description and the tool tips of
// its options, so they always match the program that shows them.
namespace HelpPages {

QUrl contentsUrl();
QUrl transformUrl(const QString& typeKey);
// The page's HTML; empty for an address that is not a help page.
QString html(const QUrl& url);
QString title(const QUrl& url);

} // namespace HelpPages
