// Every transform type on small tables with options as a document stores
// them, so that out-of-range numbers, broken lists and odd texts reach the
// types as a hand-edited document would bring them. The input, line by
// line: the type's catalogue key, then "Key = stored text" lines, then a
// line "--", then the tables, one per upstream item, each a header and rows
// of "|"-separated values, tables parted by a line "==". The seeds are the
// golden cases of the test data in this form.
#include "document/documentcodec.h"
#include "fuzzsupport.h"
#include "tests/graph/testnodes.h"

namespace {

Dataset tableOf(const QStringList& lines)
{
    Dataset data;
    if (lines.isEmpty())
        return data;
    const QStringList header = lines.first().split(QLatin1Char('|'));
    data.setColumnCount(header.size());
    data.setHeader(header);
    for (int i = 1; i < lines.size(); ++i) {
        QStringList row = lines.at(i).split(QLatin1Char('|'));
        while (row.size() < header.size())
            row << QString();
        data.appendRow(row.mid(0, header.size()));
    }
    return data;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool kindsRegistered = (registerTestKinds(), true);
    Q_UNUSED(kindsRegistered)
    const QStringList lines = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size))
                                  .split(QLatin1Char('\n'));
    if (lines.size() < 2)
        return 0;
    Transform* transform = Catalogue::instance().create(lines.first().trimmed());
    if (!transform)
        return 0;
    const int split = lines.indexOf(QStringLiteral("--"));
    if (split < 0) {
        delete transform;
        return 0;
    }
    QList<QStringList> tables { {} };
    for (int i = split + 1; i < lines.size() && tables.size() <= 4; ++i) {
        if (lines.at(i) == QLatin1String("=="))
            tables.append(QStringList());
        else if (tables.last().size() < 200)
            tables.last() << lines.at(i);
    }
    GraphModel scene;
    // The memory limit as a user may set it: a run that asks for more stops
    // in order instead of being reported as running out of memory.
    scene.runContext().settings().setMaxMemoryUsage(0.5);
    auto* node = new TransformNode(transform);
    scene.insertNode(node);
    for (int i = 0; i < tables.size(); ++i) {
        auto* source = new SourceNode(tableOf(tables.at(i)));
        scene.insertNode(source);
        source->setPos(0, 100 * i);
        scene.insertConnection(source, node);
    }
    node->setPos(300, 100 * tables.size());
    node->upstreamChanged();
    for (int i = 1; i < split; ++i) {
        const int equals = lines.at(i).indexOf(QStringLiteral(" ="));
        if (equals <= 0)
            continue;
        TransformParameter* p = transform->parameter(lines.at(i).left(equals));
        if (p)
            p->deserialise(DocumentCodec::decodeText(lines.at(i).mid(equals + 2).trimmed()));
    }
    scene.process(GraphModel::RunAll, true);
    return 0;
}
