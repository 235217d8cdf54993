#pragma once

// Shared by the right pane editor tests: the graph Input -> Rename Cols ->
// Every Option (the rename lets columns change name upstream of the options
// under test), and the user's gestures on editor widgets.

#include "everyoptiontransform.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/transformnode.h"
#include "transforms/catalogue.h"
#include "ui/editors/rowtableeditor.h"
#include "ui/itempane.h"
#include "ui/windowsettings.h"
#include "uitesthelpers.h"

#include <QAbstractButton>
#include <QListWidget>
#include <QTableWidget>
#include <QTest>

#include <memory>

namespace PaneTest {

constexpr double Delay = 0.7; // seconds, long enough for a gesture of several steps
constexpr int Name = 0, City = 1, Amount = 2;

inline QStringList columnNames()
{
    return { QStringLiteral("name"), QStringLiteral("city"), QStringLiteral("amount") };
}

// Settings kept away from the user's, the processing delay short, and the
// kinds the undo history rebuilds registered.
inline void prepare(const QTemporaryDir& settingsDir)
{
    isolateSettings(settingsDir);
    WindowSettings::instance().setProcessingDelay(Delay);
    Catalogue::instance().add(new EveryOptionTransform);
    registerInputNodeKind();
}

class Graph
{
public:
    Graph()
    {
        m_scene = new GraphModel;
        m_input = new InputNode;
        m_input->setClipboardSource(QStringLiteral("name,city,amount\nann,paris,3\nbob,rome,4\n"));
        m_scene->insertNode(m_input);
        m_rename = addTransformBelow(m_scene, QStringLiteral("Rename_Cols"), m_input, 100);
        m_node = addTransformBelow(m_scene, EveryOptionTransform::key(), m_rename, 200);
        m_scene->setAutoRun(true);
        m_scene->process(GraphModel::RunAll, true);
    }
    ~Graph() { delete m_scene; }
    Graph(const Graph&) = delete;
    Graph& operator=(const Graph&) = delete;

    GraphModel* scene() const { return m_scene; }
    TransformNode* rename() const { return m_rename; }
    TransformNode* node() const { return m_node; }
    // The rebuilt item after an undo (the old one is deleted).
    TransformNode* restored(qint32 id) const
    {
        return qobject_cast<TransformNode*>(m_scene->nodeWithId(id));
    }

private:
    GraphModel* m_scene;
    InputNode* m_input;
    TransformNode* m_rename;
    TransformNode* m_node;
};

inline void showPane(ItemPane& pane, Node* node)
{
    pane.resize(520, 1600);
    pane.setNode(node);
    pane.show();
}

// The stored form of what an editor's widgets show, to compare with the
// stored form of its option.
inline QString shownValue(const ParameterEditor* editor)
{
    TransformParameter copy(*editor->parameter());
    copy.setValue(editor->editedValue());
    return copy.serialise();
}

inline QVector<int> resolved(const TransformParameter* p, const ColumnRefList& refs)
{
    QVector<int> columns;
    for (const ColumnRef& r : refs)
        columns << p->resolve(r);
    return columns;
}

template <class T> T* cell(const RowTableEditor* editor, int row, int column)
{
    return qobject_cast<T*>(editor->table()->cellWidget(row, column));
}

// Adds a row with the table's "+" button, as a user does.
inline int addRow(RowTableEditor* editor)
{
    QAbstractButton* add = buttonWithText(editor, QStringLiteral("+"));
    if (!add)
        return -1;
    QTest::mouseClick(add, Qt::LeftButton);
    return editor->rowCount() - 1;
}

inline void clickItem(QListWidget* list, int row)
{
    QTest::mouseClick(
        list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

inline void toggleItem(QListWidget* list, int row)
{
    clickItem(list, row);
    QTest::keyClick(list, Qt::Key_Space);
}

inline void typeInto(QWidget* widget, const QString& text)
{
    widget->setFocus();
    QTest::keyClicks(widget, text);
}

} // namespace PaneTest
