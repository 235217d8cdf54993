#pragma once

// Test-only items for the window tests and the set-up steps several of
// them share.

#include "tests/graph/testnodes.h"

#include "ui/graphpane.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

// The graph tests' source item, with its dataset also set directly, as a
// processing would, so column editors and the data grid have it at once.
class DataNode : public SourceNode
{
public:
    explicit DataNode(const QStringList& header = {}, const QList<QStringList>& rows = {})
    {
        setData(makeDataset(header, rows));
    }

    QString displayName() const override { return QStringLiteral("Data"); }
    // The scene numbers the item when it joins; its columns follow.
    void setId(qint32 id) override
    {
        SourceNode::setId(id);
        m_dataset.assignColumnIds(id);
    }
    // Replaces the dataset as a processing would, giving new columns ids.
    void setData(const Dataset& data)
    {
        SourceNode::setData(data);
        m_dataset = data;
        // Before the scene numbers the item its columns wait for an id.
        if (id() >= 0)
            m_dataset.assignColumnIds(id());
        m_status = StatusUpToDate;
    }
    void setMessages(const QStringList& warnings, const QStringList& information)
    {
        m_warnings = warnings;
        m_information = information;
    }
};

// The window runs the graph beside its own thread: waits (answering the
// run) until no run is going on.
inline bool waitForRuns(const GraphModel* graph)
{
    return QTest::qWaitFor([graph] { return !graph->isProcessing(); }, 30000);
}

// Keeps the tests away from the real user's preferences.
inline void isolateSettings(const QTemporaryDir& dir)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
}

inline void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(content);
}

// Runs answer on the next modal dialog once it is up; exec() blocks the
// test until then.
inline void answerNextDialog(std::function<void(QWidget*)> answer)
{
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        poll->stop();
        poll->deleteLater();
        answer(modal);
    });
    poll->start();
}

inline QAbstractButton* buttonWithText(const QWidget* parent, const QString& text)
{
    for (QAbstractButton* b : parent->findChildren<QAbstractButton*>()) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

// A transform of the type below upstream, bound to its columns, as the left
// pane adds one.
inline TransformNode* addTransformBelow(
    GraphModel* scene, const QString& typeKey, Node* upstream, qreal y)
{
    auto* node = new TransformNode(Catalogue::instance().create(typeKey));
    node->setPos(0, y);
    scene->insertNode(node);
    scene->insertConnection(upstream, node);
    node->upstreamChanged();
    return node;
}

// Sends a press, a drag in steps and a release to the centre pane, as a
// hand on the mouse would.
inline void drag(GraphPane* pane, const QPointF& fromScene, const QPointF& toScene)
{
    QWidget* viewport = pane->viewport();
    const QPoint from = pane->mapFromScene(fromScene);
    const QPoint to = pane->mapFromScene(toScene);
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, from);
    for (int step = 1; step <= 5; ++step) {
        const QPoint at = from + (to - from) * step / 5;
        QMouseEvent move(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton,
            Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
    }
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, to);
}
