// Every Int and Real option of every registered transform at the ends of
// its range, just outside them and at the ends of what a number can be (a
// hand-edited document can hold any number), with each choice of every
// Selection option: a value outside the range is replaced by the nearest
// end of it, with a warning that names the option and the value, and every
// run ends, in success or in an explained error. Built with the sanitizers,
// this also catches integer overflow that a plain build hides.
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
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("kept");
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
                QList<QPair<QString, QString>> values; // as stored, as kept
                if (p->type() == ParameterType::Int) {
                    const qint64 low = p->minimumInt();
                    const qint64 high = p->maximumInt();
                    for (qint64 v :
                        { low, high, low - 1, high + 1, qint64(INT_MIN), qint64(INT_MAX) })
                        values.append(
                            { QString::number(v), QString::number(qBound(low, v, high)) });
                } else if (p->type() == ParameterType::Real) {
                    const double low = p->minimumReal();
                    const double high = p->maximumReal();
                    for (double v : { low, high, -1e308, 1e308 })
                        values.append({ QString::number(v, 'g', 17),
                            QString::number(qBound(low, v, high), 'g', 6) });
                    // Not a number: the value stays what it was.
                    values.append({ QStringLiteral("nan"), p->serialise() });
                } else {
                    continue;
                }
                for (const auto& value : qAsConst(values)) {
                    for (const auto& choice : qAsConst(choices)) {
                        QTest::addRow("%s %s=%s %s=%s", qPrintable(t->typeKey()),
                            qPrintable(p->key()), qPrintable(value.first), qPrintable(choice.first),
                            qPrintable(choice.second))
                            << t->typeKey() << p->key() << value.first << value.second
                            << choice.first << choice.second;
                        ++rows;
                    }
                }
            }
        }
        QVERIFY2(rows > 0, "no registered transform has a number option");
    }

    void runsEnd()
    {
        QFETCH(QString, typeKey);
        QFETCH(QString, intKey);
        QFETCH(QString, value);
        QFETCH(QString, kept);
        QFETCH(QString, selectionKey);
        QFETCH(QString, choice);
        GraphModel scene;
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
        TransformParameter* option = transform->parameter(intKey);
        option->deserialise(value);
        QCOMPARE(option->serialise(), kept);
        scene.runCommand(GraphModel::RunAll);
        QVERIFY2(node->status() == StatusUpToDate || node->status() == StatusError,
            qPrintable(statusName(node->status())));
        if (node->status() == StatusError)
            QVERIFY(!node->warnings().isEmpty());
        const QString note = QStringLiteral("Option '%1' value %2 is out of range: %3 used instead")
                                 .arg(option->label(), value, kept);
        const bool replaced = value != kept
            && !(option->type() == ParameterType::Real
                && QString::number(value.toDouble(), 'g', 6) == kept);
        QCOMPARE(node->warnings().contains(note), replaced);
    }
};

QTEST_MAIN(TestExtremeOptions)
#include "tst_extremeoptions.moc"
