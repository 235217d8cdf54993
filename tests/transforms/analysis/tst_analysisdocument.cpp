// The statistics transforms in a document: every option survives saving and
// loading.
#include "document/documentreader.h"
#include "document/documentwriter.h"
#include "graph/graphmodel.h"
#include "graph/transformnode.h"
#include "tests/document/documenttestkinds.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

DocInput* addInput(GraphModel& scene, const QString& text, qreal y)
{
    auto* in = new DocInput;
    in->setId(-1);
    in->medium = 1;
    in->text = text;
    in->setPos(0, y);
    scene.insertNode(in);
    return in;
}

// Moves every option away from its default, so that a value the document
// drops or misreads shows.
void changeEveryOption(Transform& t)
{
    for (TransformParameter* p : t.parameters()) {
        switch (p->type()) {
        case ParameterType::Bool:
            p->setValue(!p->boolValue());
            break;
        case ParameterType::Int:
            p->setValue(qMin(p->maximumInt(), p->intValue() + 2));
            break;
        case ParameterType::Real:
            p->setValue(p->realValue() + 0.25);
            break;
        case ParameterType::Selection:
            p->setValue(p->choiceList().last());
            break;
        case ParameterType::Text:
            p->setValue(QStringLiteral("%1 ; 2").arg(p->key()));
            break;
        case ParameterType::SingleColumn:
            p->setValue(QVariant::fromValue(p->referenceAt(1)));
            break;
        case ParameterType::MultipleColumns:
            p->setValue(
                QVariant::fromValue(ColumnRefList { p->referenceAt(2), p->referenceAt(0) }));
            break;
        default:
            QFAIL(qPrintable(QStringLiteral("no change for option %1").arg(p->key())));
        }
    }
}

QStringList storedForms(const Transform& t)
{
    QStringList forms;
    for (const TransformParameter* p : t.parameters())
        forms << QStringLiteral("%1=%2").arg(p->key(), p->serialise());
    return forms;
}

} // namespace

class TestAnalysisDocument : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qSetGlobalQHashSeed(0);
        registerDocumentTestKinds();
        QVERIFY(m_dir.isValid());
    }

    void optionsSurviveSaving_data()
    {
        QTest::addColumn<QString>("typeKey");
        for (const char* key : { "Summary", "Stats", "Bin", "Scale", "Impute", "Outliers", "Moving",
                 "Correlate", "Cluster", "Interpolate", "Ngram" })
            QTest::newRow(key) << QString::fromLatin1(key);
    }

    void optionsSurviveSaving()
    {
        QFETCH(QString, typeKey);
        GraphModel scene;
        DocInput* top = addInput(scene, QStringLiteral("a,b,c\n1,2,3\n4,5,6"), 0);
        auto* node = new TransformNode(Catalogue::instance().create(typeKey));
        node->setId(-1);
        node->setPos(0, 200);
        scene.insertNode(node);
        scene.insertConnection(top, node);
        if (node->transform()->minInputs() == 2)
            scene.insertConnection(addInput(scene, QStringLiteral("x,y,z\n1,2,3"), 100), node);
        node->upstreamChanged();
        scene.process(GraphModel::RunAll, true);
        changeEveryOption(*node->transform());
        const QStringList expected = storedForms(*node->transform());

        const QString path = m_dir.filePath(typeKey + QStringLiteral(".transform"));
        QString error;
        QVERIFY2(DocumentWriter::save(scene, path, DocumentInfo(), SaveOptions(), &error),
            qPrintable(error));
        GraphModel loaded;
        QVERIFY2(DocumentReader::load(path, loaded, nullptr, nullptr, &error), qPrintable(error));
        loaded.process(GraphModel::RunAll, true);
        TransformNode* copy = nullptr;
        for (Node* n : loaded.nodes()) {
            if (auto* t = dynamic_cast<TransformNode*>(n))
                copy = t;
        }
        QVERIFY(copy);
        QCOMPARE(copy->transform()->typeKey(), typeKey);
        QCOMPARE(storedForms(*copy->transform()), expected);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestAnalysisDocument)
#include "tst_analysisdocument.moc"
