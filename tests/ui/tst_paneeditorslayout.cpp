// The right pane's option forms at the pane's usual size, with data upstream
// so the column editors are filled: nothing is squeezed below the size it
// needs, and labels and table headings are not cut off.

#include "everyoptiontransform.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/transformnode.h"
#include "transforms/catalogue.h"
#include "ui/datatableview.h"
#include "ui/editors/parametereditor.h"
#include "ui/editors/rowtableeditor.h"
#include "ui/itempane.h"
#include "ui/itempaneoptions.h"
#include "ui/windowsettings.h"
#include "uitesthelpers.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTableWidget>
#include <QTest>

namespace {

// The right pane's width in a new main window, and a laptop's height.
const QSize PaneSize(430, 760);

QString csv()
{
    return QStringLiteral("customer name,city,postcode,amount,order date\n"
                          "Ann Lee,Paris,75001,12.50,2024-01-05\n"
                          "Bob Stone,Rome,00184,7.25,2024-02-11\n"
                          "Cy Young,Oslo,0150,3.00,2024-03-20\n");
}

} // namespace

class TestPaneEditorsLayout : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_settingsDir;
    GraphModel* m_scene = nullptr;
    TransformNode* m_node = nullptr;

    // Values a user would have set, so the tables have rows to show.
    void fillOptions(Transform* transform)
    {
        TransformParameter* p = transform->parameter(QStringLiteral("Columns"));
        if (p && p->type() == ParameterType::SortColumns)
            p->setValue(QVariant::fromValue(
                SortColumnList { { p->referenceAt(1), true }, { p->referenceAt(0), false } }));
        else if (p && p->type() == ParameterType::MultipleColumns)
            p->setValue(
                QVariant::fromValue(ColumnRefList { p->referenceAt(0), p->referenceAt(2) }));
        for (TransformParameter* q : transform->parameters())
            fillTerms(q);
        p = transform->parameter(QStringLiteral("Replace"));
        if (p)
            p->setValue(QVariant::fromValue(
                ReplaceTermList { { 0, QStringLiteral("Street"), QStringLiteral("St") },
                    { 6, QStringLiteral("!"), QString() } }));
    }

    static void fillTerms(TransformParameter* p)
    {
        const ConditionTerm term { p->referenceAt(0), 20, QString() };
        const ConditionTerm other { p->referenceAt(4), 4, QStringLiteral("2024-02-01") };
        if (p->type() == ParameterType::FilterColumns)
            p->setValue(QVariant::fromValue(FilterList { 1, 1, { term, other } }));
        else if (p->type() == ParameterType::If)
            p->setValue(QVariant::fromValue(IfList {
                { { { term, other }, QStringLiteral("late") }, { { other }, QStringLiteral("x") } },
                QStringLiteral("on time") }));
        else if ((p->type() == ParameterType::SortColumns
                     || p->type() == ParameterType::OrderedColumns)
            && p->columnRefs().isEmpty())
            p->setValue(p->type() == ParameterType::SortColumns
                    ? QVariant::fromValue(SortColumnList { { p->referenceAt(4), false } })
                    : QVariant::fromValue(ColumnRefList { p->referenceAt(4) }));
    }

private slots:
    void initTestCase()
    {
        isolateSettings(m_settingsDir);
        Catalogue::instance().add(new EveryOptionTransform);
    }

    void cleanup()
    {
        delete m_scene;
        m_scene = nullptr;
    }

    void formsFitThePane_data()
    {
        QTest::addColumn<QString>("typeKey");
        for (const char* key : { "Sort", "Calculate", "Replace_Multi", "Dedupe", "Every_Option" })
            QTest::newRow(key) << QString::fromLatin1(key);
    }

    void formsFitThePane()
    {
        QFETCH(QString, typeKey);
        m_scene = new GraphModel;
        auto* input = new InputNode;
        input->setClipboardSource(csv());
        m_scene->insertNode(input);
        m_node = addTransformBelow(m_scene, typeKey, input, 100);
        m_scene->process(GraphModel::RunAll, true);
        fillOptions(m_node->transform());
        m_scene->process(GraphModel::RunAll, true);
        QCOMPARE(m_node->status(), int(StatusUpToDate));

        ItemPane pane;
        // As in the main window, whose splitter may make the pane narrower
        // than its content would like.
        pane.setMinimumWidth(260);
        pane.resize(PaneSize);
        pane.setNode(m_node);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        checkFits(pane);
        checkDataTools(pane);
    }

private:
    void checkFits(const ItemPane& pane)
    {
        const ItemPaneOptions* options = pane.options();
        for (ParameterEditor* editor : options->editors()) {
            const QString key = editor->parameter()->key();
            const QByteArray what = key.toUtf8();
            QVERIFY2(editor->height() >= editor->minimumSizeHint().height(), what.constData());
            QVERIFY2(editor->width() >= editor->minimumSizeHint().width(), what.constData());
            if (const QLabel* label = options->label(key)) {
                QVERIFY2(label->width() >= label->minimumSizeHint().width(), what.constData());
            }
            if (const auto* table = qobject_cast<const RowTableEditor*>(editor))
                checkTable(table->table(), what);
        }
        // The form is never wider than the pane: no sideways scrolling.
        QCOMPARE(pane.width(), PaneSize.width());
        const auto* scroll = pane.findChild<QScrollArea*>();
        QVERIFY(scroll);
        QVERIFY2(options->width() <= scroll->viewport()->width(),
            qPrintable(
                QStringLiteral("%1 > %2").arg(options->width()).arg(scroll->viewport()->width())));
    }

    static bool showsWholeText(const QComboBox* combo)
    {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.frame = combo->hasFrame();
        option.currentText = combo->currentText();
        const QRect field = combo->style()->subControlRect(
            QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
        return field.width() >= combo->fontMetrics().horizontalAdvance(combo->currentText());
    }

    // The data grid's tools above the grid: the filter's label and choice
    // are read in full, and there is room to type.
    void checkDataTools(const ItemPane& pane)
    {
        const QWidget* data = pane.dataTable();
        const QLabel* filterBy = nullptr;
        for (const QLabel* l : data->findChildren<QLabel*>()) {
            if (l->text() == QLatin1String("Filter table by"))
                filterBy = l;
        }
        QVERIFY(filterBy);
        QVERIFY(filterBy->width() >= filterBy->sizeHint().width());
        const auto* mode = data->findChild<QComboBox*>();
        QVERIFY(mode && showsWholeText(mode));
        const auto* text = data->findChild<QLineEdit*>();
        QVERIFY(text
            && text->width() >= text->fontMetrics().horizontalAdvance(text->placeholderText()));
    }

    void checkTable(const QTableWidget* table, const QByteArray& what)
    {
        // Every row up to a dozen shows without scrolling down.
        const int rows = qMin(table->rowCount(), 12);
        if (rows > 0) {
            const QRect last = table->visualRect(table->model()->index(rows - 1, 0));
            QVERIFY2(last.bottom() < table->viewport()->height(), what.constData());
            QVERIFY2(table->verticalScrollBar()->maximum() == 0 || table->rowCount() > 12,
                what.constData());
        }
        // Every heading and every chosen entry can be read in full.
        const QHeaderView* header = table->horizontalHeader();
        for (int c = 0; c < table->columnCount(); ++c) {
            const QString heading = table->horizontalHeaderItem(c)
                ? table->horizontalHeaderItem(c)->text()
                : QString();
            QVERIFY2(header->sectionSize(c) >= header->fontMetrics().horizontalAdvance(heading),
                what.constData());
            for (int r = 0; r < table->rowCount(); ++r) {
                const auto* combo = qobject_cast<const QComboBox*>(table->cellWidget(r, c));
                if (!combo)
                    continue;
                QVERIFY2(showsWholeText(combo),
                    qPrintable(QStringLiteral("%1 row %2 column %3: '%4'")
                                   .arg(QString::fromUtf8(what))
                                   .arg(r)
                                   .arg(c)
                                   .arg(combo->currentText())));
            }
        }
    }
};

QTEST_MAIN(TestPaneEditorsLayout)
#include "tst_paneeditorslayout.moc"
