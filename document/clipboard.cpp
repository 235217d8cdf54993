#include "document/clipboard.h"

#include "document/documentreader.h"
#include "document/documentwriter.h"
#include "graph/connection.h"
#include "graph/graphmodel.h"
#include "graph/node.h"

#include <QDomDocument>
#include <QMimeData>

namespace ItemClipboard {

QString mimeType()
{
    return QStringLiteral("application/varnix-transformfile");
}

QMimeData* copySelection(const GraphModel& scene)
{
    SaveOptions options;
    options.selectedOnly = true;
    const QByteArray text
        = DocumentWriter::toText(DocumentWriter::build(scene, QString(), DocumentInfo(), options));
    auto* data = new QMimeData;
    data->setData(mimeType(), text);
    data->setData(QStringLiteral("application/xml"), text);
    return data;
}

bool canPaste(const QMimeData* data)
{
    return data && data->hasFormat(mimeType());
}

QList<Node*> paste(const QMimeData* data, GraphModel& scene, QString* error)
{
    QString ignored;
    QString* message = error ? error : &ignored;
    QDomDocument document;
    if (!canPaste(data) || !DocumentReader::parse(data->data(mimeType()), &document, message)) {
        if (document.doctype().name() != DocumentWriter::productName())
            *message = QStringLiteral("Incorrect document type pasted.");
        return {};
    }
    // The fragment is read on its own first, so that its ids cannot meet
    // the ids of the items already in the graph.
    GraphModel fragment;
    DocumentReader::read(document, fragment, QString(), nullptr, nullptr);
    QList<QPair<Node*, Node*>> links;
    const QList<Connection*> connections = fragment.connections();
    for (Connection* c : connections) {
        links.append(qMakePair(c->startNode(), c->endNode()));
        delete c;
    }
    const QList<Node*> nodes = fragment.nodes();
    {
        GraphModel::UndoScope scope(scene, QStringLiteral("paste"));
        scene.clearSelection();
        for (Node* n : nodes) {
            fragment.takeNode(n);
            n->setId(-1);
            scene.insertNode(n);
            n->setSelected(true);
        }
        for (const auto& link : qAsConst(links))
            scene.insertConnection(link.first, link.second);
        scene.rebindAll();
    }
    emit scene.nodesAdded();
    if (scene.autoRun())
        scene.process(GraphModel::RunUnprocessed, false);
    return nodes;
}

} // namespace ItemClipboard
