// Every Int option of every registered transform at the ends of its range,
// and at the ends of int (a hand-edited document can hold any number), with
// each choice of every Selection option: every run ends, in success or in
// an explained error. Built with the sanitizers, this also catches integer
// overflow that a plain build hides.
#include "tests/graph/testnodes.h"

#include <QtTest>

#include <climits>

namespace {

Dataset sample()
{
    Dataset d;
    d.setColumnCount(2);
    d.setHeader({ QStringLiteral("name"), QStringLiteral("amount") });
    d.appendRow({ QStringLiteral("Smith"), QStringLiteral("12") });
    d.appendRow({ QString(), QStringLiteral("-7.5") });
    d.appendRow({ QStringLiteral("Smyth 2026-12-04"), QStringLiteral("1e3") });
    return d;
}

// The column options point at the first column, so that the value options
// have something to work on.
void pointColumnsAtFirst(Transform* transform)
{
    for (TransformParameter* p : transform->parameters()) {
        switch (p->type()) {
        case ParameterType::SingleColumn:
        case ParameterType::MultipleColumns:
        case ParameterType::ReorderColumns:
        case ParameterType::CheckedColumns:
        case ParameterType::OrderedColumns:
            p->deserialise(QStringLiteral("0"));
            break;
        case ParameterType::SortColumns:
            p->deserialise(
                QStringLiteral("0") + TransformParameter::PartSeparator + QStringLiteral("1"));
            break;
        default:
            break;
        }
    }
}

} // namespace

class TestExtremeOptions : public QObject
{
    Q_OBJECT

private slots:
    void runsEnd_data()
    {
        QTest::addColumn<QString>("typeKey");
        QTest::addColumn<QString>("intKey");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("selectionKey");
        QTest::addColumn<QString>("choice");
        int rows = 0;
        for (const Transform* prototype : Catalogue::instance().prototypes()) {
            QScopedPointer<Transform> t(prototype->clone());
            const QList<TransformParameter*> parameters = t->parameters();
            QList<QPair<QString, QString>> choices { { QString(), QString() } };
            for (const TransformParameter* p : parameters) {
                if (p->type() == ParameterType::Selection) {
                    for (const QString& choice : p->choiceList())
                        choices.append(qMakePair(p->key(), choice));
                }
            }
            for (const TransformParameter* p : parameters) {
                if (p->type() != ParameterType::Int)
                    continue;
                for (int value : { p->minimumInt(), p->maximumInt(), INT_MIN, INT_MAX }) {
                    for (const auto& choice : qAsConst(choices)) {
                        QTest::addRow("%s %s=%d %s=%s", qPrintable(t->typeKey()),
                            qPrintable(p->key()), value, qPrintable(choice.first),
                            qPrintable(choice.second))
                            << t->typeKey() << p->key() << value << choice.first << choice.second;
                        ++rows;
                    }
                }
            }
        }
        QVERIFY2(rows > 0, "no registered transform has an Int option");
    }

    void runsEnd()
    {
        QFETCH(QString, typeKey);
        QFETCH(QString, intKey);
        QFETCH(int, value);
        QFETCH(QString, selectionKey);
        QFETCH(QString, choice);
        GraphScene scene;
        auto* node = new TransformNode(Catalogue::instance().create(typeKey));
        scene.insertNode(node);
        for (int i = 0; i < qMax(1, node->minUpstream()); ++i) {
            auto* source = new SourceNode(sample());
            source->setPos(0, -100 * (i + 1));
            scene.insertNode(source);
            scene.insertConnection(source, node);
        }
        node->upstreamChanged();
        Transform* transform = node->transform();
        pointColumnsAtFirst(transform);
        if (!selectionKey.isEmpty())
            transform->parameter(selectionKey)->deserialise(choice);
        // As a document gives it: the text of the number.
        transform->parameter(intKey)->deserialise(QString::number(value));
        QCOMPARE(transform->parameter(intKey)->intValue(), value);
        scene.runCommand(GraphScene::RunAll);
        QVERIFY2(node->status() == StatusUpToDate || node->status() == StatusError,
            qPrintable(statusName(node->status())));
        if (node->status() == StatusError)
            QVERIFY(!node->warnings().isEmpty());
    }
};

QTEST_MAIN(TestExtremeOptions)
#include "tst_extremeoptions.moc"
