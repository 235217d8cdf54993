#include "tests/ui/uitesthelpers.h"

#include "graph/connection.h"
#include "graph/notenode.h"
#include "ui/actionpane.h"
#include "ui/graphcanvas.h"
#include "ui/graphpane.h"
#include "ui/nodepainter.h"

#include <QComboBox>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QTest>

#include <cmath>

namespace {

Dataset sized(int columns, int rows)
{
    QStringList header;
    for (int c = 0; c < columns; ++c)
        header << QStringLiteral("c%1").arg(c);
    QList<QStringList> data;
    for (int r = 0; r < rows; ++r)
        data << QStringList(header);
    return makeDataset(header, data);
}

} // namespace

// The drawing helpers of the centre pane and the pane's own geometry.
class TestMainWindowPainter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        registerTestKinds();
    }

    void edgeToEdge_data();
    void edgeToEdge();
    void connectionEdgeBand_data();
    void connectionEdgeBand();
    void detailText_data();
    void detailText();
    void drawsEveryStatus();
    void cardsFollowTheDarkCanvas_data();
    void cardsFollowTheDarkCanvas();
    void zoomStaysWithinLimits_data();
    void zoomStaysWithinLimits();
    void fitNeverEnlarges();
    void newItemsMoveClear_data();
    void newItemsMoveClear();
    void snapOnRelease();
    void canvasFollowsTheModel();
    void usageEntries();
};

void TestMainWindowPainter::edgeToEdge_data()
{
    QTest::addColumn<QRectF>("from");
    QTest::addColumn<QRectF>("to");
    QTest::addColumn<QPointF>("start");
    QTest::addColumn<QPointF>("end");

    QTest::newRow("straight down")
        << QRectF(0, 0, 100, 50) << QRectF(0, 100, 100, 50) << QPointF(50, 50) << QPointF(50, 100);
    QTest::newRow("straight right")
        << QRectF(0, 0, 100, 50) << QRectF(200, 0, 100, 50) << QPointF(100, 25) << QPointF(200, 25);
    QTest::newRow("up and left") << QRectF(200, 200, 100, 50) << QRectF(0, 0, 100, 50)
                                 << QPointF(225, 200) << QPointF(75, 50);
    QTest::newRow("steep diagonal leaves by the bottom")
        << QRectF(0, 0, 100, 50) << QRectF(50, 200, 100, 50) << QPointF(56.25, 50)
        << QPointF(93.75, 200);
}

void TestMainWindowPainter::edgeToEdge()
{
    QFETCH(QRectF, from);
    QFETCH(QRectF, to);
    QFETCH(QPointF, start);
    QFETCH(QPointF, end);
    const QLineF line = NodePainter::edgeToEdge(from, to);
    QCOMPARE(line.p1(), start);
    QCOMPARE(line.p2(), end);
}

void TestMainWindowPainter::connectionEdgeBand_data()
{
    QTest::addColumn<bool>("note");
    QTest::addColumn<QPointF>("at");
    QTest::addColumn<bool>("onEdge");

    QTest::newRow("left edge") << false << QPointF(2, 28) << true;
    QTest::newRow("right edge") << false << QPointF(137, 28) << true;
    QTest::newRow("bottom edge") << false << QPointF(70, 54) << true;
    QTest::newRow("middle moves the item") << false << QPointF(70, 28) << false;
    QTest::newRow("just inside the band") << false << QPointF(8, 28) << false;
    QTest::newRow("outside the item") << false << QPointF(-3, 28) << false;
    QTest::newRow("a note takes no connection") << true << QPointF(2, 28) << false;
}

void TestMainWindowPainter::connectionEdgeBand()
{
    QFETCH(bool, note);
    QFETCH(QPointF, at);
    QFETCH(bool, onEdge);
    NoteNode noteNode;
    SourceNode source;
    const Node& node = note ? static_cast<const Node&>(noteNode) : source;
    QCOMPARE(NodePainter::onConnectionEdge(node, at), onEdge);
}

void TestMainWindowPainter::detailText_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("upstreamCols");
    QTest::addColumn<int>("upstreamRows");
    QTest::addColumn<int>("cols");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("changes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("badge");

    QTest::newRow("waiting") << int(StatusNeedsUpdating) << 2 << 3 << 2 << 3 << false
                             << "Needs updating"
                             << "";
    QTest::newRow("failed") << int(StatusError) << 2 << 3 << 2 << 3 << false << "Error"
                            << "";
    QTest::newRow("size") << int(StatusUpToDate) << 2 << 3 << 1 << 1 << false << "1 col x 1 row"
                          << "-2 rows";
    QTest::newRow("grouped size") << int(StatusUpToDate) << 2 << 3 << 3 << 1200 << false
                                  << "3 cols x 1,200 rows"
                                  << "+1,197 rows";
    QTest::newRow("one row fewer, size shown")
        << int(StatusUpToDate) << 2 << 3 << 2 << 2 << false << "2 cols x 2 rows"
        << "-1 row";
    QTest::newRow("changes") << int(StatusUpToDate) << 2 << 30 << 4 << 20 << true
                             << "+2 cols, -10 rows"
                             << "";
    QTest::newRow("one row fewer") << int(StatusUpToDate) << 2 << 3 << 2 << 2 << true << "-1 row"
                                   << "";
    QTest::newRow("no change shows the size")
        << int(StatusUpToDate) << 2 << 3 << 2 << 3 << true << "2 cols x 3 rows"
        << "";
    QTest::newRow("same rows, no badge")
        << int(StatusUpToDate) << 2 << 3 << 5 << 3 << false << "5 cols x 3 rows"
        << "";
}

void TestMainWindowPainter::detailText()
{
    QFETCH(int, status);
    QFETCH(int, upstreamCols);
    QFETCH(int, upstreamRows);
    QFETCH(int, cols);
    QFETCH(int, rows);
    QFETCH(bool, changes);
    QFETCH(QString, text);
    QFETCH(QString, badge);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    GraphModel scene;
    auto* upstream = new SourceNode(sized(upstreamCols, upstreamRows));
    auto* node = new SourceNode(sized(cols, rows));
    scene.insertNode(upstream);
    scene.insertNode(node);
    scene.insertConnection(upstream, node);
    upstream->process(false, false);
    node->process(false, false);
    node->setStatus(status, false);
    NodePaintOptions options;
    options.showRowColChanges = changes;
    QCOMPARE(NodePainter::detailText(*node, options), text);
    QCOMPARE(NodePainter::rowChangeBadge(*node, options), badge);
}

void TestMainWindowPainter::drawsEveryStatus()
{
    SourceNode node;
    const QRectF item = node.boundingRect();
    QSet<QRgb> fills;
    for (int status = StatusNeedsUpdating; status <= StatusError; ++status) {
        node.setStatus(status, false);
        node.setProgress(0.5);
        QImage image(item.size().toSize(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        NodePainter::paintNode(&painter, node, NodePaintOptions());
        painter.end();
        // The middle of the status dot by the kind line.
        fills.insert(image.pixel(17, 12));
    }
    // Each status has a colour of its own.
    QCOMPARE(fills.size(), 4);
}

void TestMainWindowPainter::cardsFollowTheDarkCanvas_data()
{
    QTest::addColumn<bool>("dark");
    QTest::newRow("light") << false;
    QTest::newRow("dark") << true;
}

// On the dark canvas an item's card is dark and its name light; on the light
// one the other way round, and the name stands out either way.
void TestMainWindowPainter::cardsFollowTheDarkCanvas()
{
    QFETCH(bool, dark);
    SourceNode node;
    const QRectF item = node.boundingRect();
    QImage image(item.size().toSize(), QImage::Format_ARGB32);
    image.fill(dark ? QColor(0x24, 0x26, 0x2a) : QColor(0xf6, 0xf7, 0xf9));
    QPainter painter(&image);
    NodePaintOptions options;
    options.darkBackground = dark;
    NodePainter::paintNode(&painter, node, options);
    painter.end();
    const QColor card = image.pixelColor(image.width() - 5, image.height() / 2);
    QCOMPARE(card.lightness() < 100, dark);
    int ink = 0;
    for (int y = 18; y < 34; ++y) {
        for (int x = 13; x < 60; ++x)
            ink = qMax(ink, qAbs(image.pixelColor(x, y).lightness() - card.lightness()));
    }
    QVERIFY2(ink > 150, qPrintable(QString::number(ink)));
}

void TestMainWindowPainter::zoomStaysWithinLimits_data()
{
    QTest::addColumn<qreal>("factor");
    QTest::addColumn<int>("times");
    QTest::addColumn<qreal>("zoom");
    QTest::newRow("in without end") << 1.25 << 40 << 4.0;
    QTest::newRow("out without end") << 0.8 << 40 << 0.1;
    QTest::newRow("in and back") << 2.0 << 1 << 2.0;
}

void TestMainWindowPainter::zoomStaysWithinLimits()
{
    QFETCH(qreal, factor);
    QFETCH(int, times);
    QFETCH(qreal, zoom);
    GraphModel scene;
    GraphPane pane(&scene);
    for (int i = 0; i < times; ++i)
        pane.zoomBy(factor);
    QVERIFY(qAbs(pane.zoom() - zoom) < 1e-9);
}

void TestMainWindowPainter::fitNeverEnlarges()
{
    GraphModel scene;
    GraphPane pane(&scene);
    pane.resize(1000, 800);
    auto* one = new SourceNode;
    scene.insertNode(one);
    pane.zoomFit();
    QCOMPARE(pane.zoom(), 1.0);
    // A wide graph is shrunk to fit.
    auto* far = new SourceNode;
    far->setPos(6000, 0);
    scene.insertNode(far);
    pane.zoomFit();
    QVERIFY(pane.zoom() < 0.3);
}

void TestMainWindowPainter::newItemsMoveClear_data()
{
    QTest::addColumn<QPointF>("placed");
    QTest::addColumn<bool>("moves");
    QTest::newRow("on top of another") << QPointF(0, 0) << true;
    QTest::newRow("overlapping a corner") << QPointF(100, 40) << true;
    QTest::newRow("free space") << QPointF(0, 300) << false;
}

void TestMainWindowPainter::newItemsMoveClear()
{
    QFETCH(QPointF, placed);
    QFETCH(bool, moves);
    GraphModel scene;
    GraphPane pane(&scene);
    auto* existing = new SourceNode;
    auto* neighbour = new SourceNode;
    neighbour->setPos(180, 0);
    scene.insertNode(existing);
    scene.insertNode(neighbour);
    auto* added = new SourceNode;
    added->setPos(placed);
    scene.insertNode(added);
    pane.moveClear(added);
    QCOMPARE(added->pos() != placed, moves);
    for (const Node* other : { static_cast<Node*>(existing), static_cast<Node*>(neighbour) })
        QVERIFY(!other->bounds().intersects(added->bounds()));

    // A pasted group lands on the point asked for unless that covers items.
    QList<Node*> group;
    for (int i = 0; i < 2; ++i) {
        auto* n = new SourceNode;
        n->setPos(i * 200, 0);
        scene.insertNode(n);
        group << n;
    }
    pane.placeGroup(group, QPointF(70, 28));
    for (Node* n : group) {
        for (Node* other : scene.nodes()) {
            if (!group.contains(other))
                QVERIFY(!other->bounds().intersects(n->bounds()));
        }
    }
    QCOMPARE(group.at(1)->pos() - group.at(0)->pos(), QPointF(200, 0));
}

void TestMainWindowPainter::snapOnRelease()
{
    GraphModel scene;
    GraphPane pane(&scene);
    pane.resize(800, 600);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    pane.setSnapToGrid(true);
    auto* node = new SourceNode;
    node->setPos(3, 7);
    scene.insertNode(node);
    pane.centerOn(node->centre());
    drag(&pane, node->centre(), node->centre() + QPointF(47, 31));
    QVERIFY(node->pos() != QPointF(3, 7));
    QCOMPARE(std::fmod(node->pos().x(), GraphPane::GridSize), 0.0);
    QCOMPARE(std::fmod(node->pos().y(), GraphPane::GridSize), 0.0);
    QVERIFY(scene.canUndo());
    QCOMPARE(scene.undoLabel(), QStringLiteral("move item(s)"));
}

// The canvas pictures the model: a rubber band over two items selects them
// in the model, the model's selection and removals show on the canvas, and
// undo brings the items back with their pictures.
void TestMainWindowPainter::canvasFollowsTheModel()
{
    GraphModel scene;
    GraphPane pane(&scene);
    pane.resize(900, 700);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    auto* left = new SourceNode;
    auto* right = new SourceNode;
    auto* below = new SourceNode;
    for (SourceNode* n : { left, right, below })
        scene.insertNode(n);
    right->setPos(200, 0);
    below->setPos(0, 300);
    Connection* link = scene.insertConnection(left, below);
    pane.centerOn(QPointF(170, 150));
    GraphCanvas* canvas = pane.canvas();
    QCOMPARE(canvas->items().size(), 4);
    QCOMPARE(canvas->itemOf(right)->pos(), QPointF(200, 0));

    drag(&pane, QPointF(-20, -20), QPointF(360, 40));
    QCOMPARE(scene.nodes(true), (QList<Node*> { left, right }));
    QVERIFY(!link->isSelected());

    scene.clearSelection();
    QVERIFY(canvas->selectedItems().isEmpty());
    scene.selectAll();
    QCOMPARE(canvas->selectedItems().size(), 4);
    below->setPos(40, 320);
    QCOMPARE(canvas->itemOf(below)->pos(), QPointF(40, 320));

    scene.clearSelection();
    right->setSelected(true);
    scene.deleteSelection();
    QCOMPARE(canvas->items().size(), 3);
    QVERIFY(!canvas->itemOf(static_cast<const Node*>(right)));
    QVERIFY(scene.undo());
    QCOMPARE(canvas->items().size(), 4);
    for (Node* n : scene.nodes())
        QCOMPARE(canvas->itemOf(n)->pos(), n->pos());
}

void TestMainWindowPainter::usageEntries()
{
    ActionPane pane;
    const QList<Transform*>& all = Catalogue::instance().prototypes();
    QVERIFY(all.size() >= 11);
    // The first type is used most, then the others once each, newest last.
    for (int i = 0; i < 3; ++i)
        pane.noteUsed(all.at(0)->typeKey());
    for (int i = 1; i <= 10; ++i)
        pane.noteUsed(all.at(i)->typeKey());
    QComboBox* filter = pane.filterBox();
    QCOMPARE(filter->count(), 9);
    filter->setCurrentIndex(7); // 10 most used
    QStringList shown = pane.visibleTypeKeys();
    QVERIFY(shown.contains(all.at(0)->typeKey()));
    QCOMPARE(shown.size() <= 10, true);
    filter->setCurrentIndex(8); // 10 last used
    shown = pane.visibleTypeKeys();
    QVERIFY(!shown.contains(all.at(0)->typeKey()));
    QVERIFY(shown.size() <= 10);
}

QTEST_MAIN(TestMainWindowPainter)
#include "tst_mainwindowpainter.moc"
