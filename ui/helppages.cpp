#include "ui/helppages.h"

#include "transforms/catalogue.h"
#include "transforms/transform.h"
#include "transforms/transformparameter.h"

#include <QCoreApplication>

#include <memory>

namespace HelpPages {

namespace {

const QString Scheme = QStringLiteral("help");

QString page(const QString& title, const QString& body)
{
    return QStringLiteral("<html><head><title>%1</title></head><body><h2>%1</h2>%2"
                          "<hr><p><a href=\"help:contents\">Contents</a> | "
                          "<a href=\"help:transforms\">Transforms</a></p></body></html>")
        .arg(title.toHtmlEscaped(), body);
}

QString contents()
{
    return page(QStringLiteral("Varnix Help"),
        QStringLiteral(
            "<p>Varnix cleans, reshapes, merges and analyses tables of data without "
            "programming. You build a graph of items in the Center pane: Inputs read "
            "files, Transforms change the data, Outputs write files and Notes explain.</p>"
            "<ul><li><a href=\"help:quick-start\">Quick start</a></li>"
            "<li><a href=\"help:transforms\">Transforms</a>, one page each</li>"
            "<li><a href=\"help:tips\">Expert tips</a></li>"
            "<li><a href=\"help:faq\">Frequently asked questions</a></li></ul>"
            "<p>Press F1 with a transform selected to open its page.</p>"));
}

QString quickStart()
{
    return page(QStringLiteral("Quick start"),
        QStringLiteral(
            "<ol><li>Drag a data file onto the Center pane, click <b>Input</b> in the left "
            "pane, or paste a table copied from a spreadsheet with Ctrl+V.</li>"
            "<li>With the Input selected, click a transform in the left pane (or type a few "
            "letters of its name in the quick-add field and press Enter). The new transform "
            "takes the selected items as its inputs. Drag a transform onto the canvas to "
            "place it, or onto a connection to insert it there.</li>"
            "<li>Set its options in the right pane; with <b>Auto Run</b> on, the data below "
            "the options follows every change.</li>"
            "<li>Select the last item and click <b>Output</b> to write the result to a "
            "file.</li>"
            "<li>Save the graph as a .transform document to run it again, in the window or "
            "from the command line.</li></ol>"));
}

QString tips()
{
    return page(QStringLiteral("Expert tips"),
        QStringLiteral(
            "<ul><li>Ctrl+K jumps to the transform search; Enter adds the best match.</li>"
            "<li>Select a connection and add a one-input transform to insert it.</li>"
            "<li>Hold Ctrl and turn the mouse wheel to zoom the Center pane.</li>"
            "<li>Ctrl+Shift+R runs the selected items even when nothing changed.</li>"
            "<li>Show <b>Row/Col Changes</b> (View menu) to see what each transform did.</li>"
            "<li>Double-click a value in the data table to see the rows it came from.</li>"
            "</ul>"));
}

QString faq()
{
    return page(QStringLiteral("Frequently asked questions"),
        QStringLiteral(
            "<h4>Why did opening a document not write its outputs?</h4>"
            "<p>The 'Opening a .transform with auto run' preference (Files tab) can turn auto "
            "run off or pause the outputs. Select a paused output and use Run Selected.</p>"
            "<h4>Why is a file refused as input?</h4>"
            "<p>Its extension is listed under 'Blocked input extensions' on the Files tab of "
            "Preferences.</p>"
            "<h4>Where are my preferences stored?</h4>"
            "<p>In the user's settings file named on the Files tab of Preferences, or in "
            "varnix.ini beside the program when that file exists.</p>"));
}

QString inputsText(const Transform& t)
{
    const int low = t.minInputs();
    const int high = t.maxInputs();
    if (high == Transform::NoLimit)
        return QStringLiteral("%1 or more").arg(low);
    return low == high ? QString::number(low) : QStringLiteral("%1 to %2").arg(low).arg(high);
}

QString transformList()
{
    const QStringList categories = Catalogue::categoryEntries();
    QString body;
    for (int c = 1; c < categories.size(); ++c) {
        QString items;
        for (const Transform* t : Catalogue::instance().prototypes()) {
            if (t->category() == c)
                items += QStringLiteral("<li><a href=\"help:transform/%1\">%2</a></li>")
                             .arg(t->typeKey(), t->displayName().toHtmlEscaped());
        }
        if (!items.isEmpty())
            body += QStringLiteral("<h3>%1</h3><ul>%2</ul>")
                        .arg(QString(categories.at(c)).remove(QLatin1Char('&')), items);
    }
    return page(QStringLiteral("Transforms"), body);
}

QString transformPage(const QString& typeKey)
{
    std::unique_ptr<Transform> t(Catalogue::instance().create(typeKey));
    if (!t)
        return QString();
    // A type defines its options for the upstream items it gets; with none,
    // every option shows with its default.
    t->defineParameters({}, false);
    QString body = QStringLiteral("<p>%1</p>").arg(t->description().toHtmlEscaped());
    body += QStringLiteral("<p><b>Inputs:</b> %1</p>").arg(inputsText(*t));
    QString rows;
    for (const TransformParameter* p : t->parameters()) {
        if (p->label().isEmpty())
            continue;
        QString label = p->label();
        label[0] = label.at(0).toUpper();
        rows += QStringLiteral("<tr><td valign=\"top\"><b>%1</b></td><td>%2</td></tr>")
                    .arg(label.toHtmlEscaped(), p->tooltip().toHtmlEscaped());
    }
    if (!rows.isEmpty())
        body += QStringLiteral("<h3>Options</h3><table cellspacing=\"4\">%1</table>").arg(rows);
    return page(t->displayName(), body);
}

} // namespace

QUrl contentsUrl()
{
    return QUrl(QStringLiteral("help:contents"));
}

QUrl transformUrl(const QString& typeKey)
{
    return QUrl(QStringLiteral("help:transform/") + typeKey);
}

QString html(const QUrl& url)
{
    if (url.scheme() != Scheme)
        return QString();
    const QString path = url.path();
    if (path == QLatin1String("contents"))
        return contents();
    if (path == QLatin1String("quick-start"))
        return quickStart();
    if (path == QLatin1String("tips"))
        return tips();
    if (path == QLatin1String("faq"))
        return faq();
    if (path == QLatin1String("transforms"))
        return transformList();
    if (path.startsWith(QLatin1String("transform/")))
        return transformPage(path.mid(10));
    return QString();
}

QString title(const QUrl& url)
{
    const QString text = html(url);
    const int start = text.indexOf(QLatin1String("<title>"));
    const int end = text.indexOf(QLatin1String("</title>"));
    return start < 0 || end < start ? QString() : text.mid(start + 7, end - start - 7);
}

} // namespace HelpPages
