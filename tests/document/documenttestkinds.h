#pragma once
// Test-only Input and Output kinds that follow the document's option
// contract (keys are attribute names), and a transform with one option of
// every parameter type.

#include "core/runcontext.h"
#include "graph/ionode.h"
#include "graph/nodefactory.h"
#include "transforms/catalogue.h"
#include "transforms/transform.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

// Reads comma-separated lines from its pasted text or its file.
class DocInput : public IONode
{
public:
    int type() const override { return InputNodeType; }
    QString typeName() const override { return QStringLiteral("Input"); }
    QString displayName() const override { return QStringLiteral("In"); }
    bool canProcess() const override { return true; }
    int maxUpstream() const override { return 0; }
    int maxDownstream() const override { return NoLimit; }
    void upstreamProcessed() override { }
    void process(bool processDownstream, bool force) override
    {
        if (status() != StatusUpToDate) {
            setStatus(StatusUpdating, false);
            emit processingStart(this);
            m_warnings.clear();
            m_information.clear();
            const bool ok = read();
            setStatus(ok ? StatusUpToDate : StatusError, false);
            emit processingEnd(this);
            for (Node* n : downstreamNodes(false))
                n->upstreamProcessed();
        }
        if (status() == StatusUpToDate && processDownstream) {
            for (Node* n : downstreamNodes(true))
                n->process(processDownstream, force);
        }
    }
    QVariantMap saveOptions() const override
    {
        return { { "medium", medium }, { "path", path }, { "alias", alias }, { "header", header },
            { "text", text }, { "schema_col_name", schema }, { "delimiter", delimiter },
            { "custom_delimiter", customDelimiter }, { "ignore_excel_hidden_cols", hiddenCols },
            { "ignore_excel_hidden_rows", hiddenRows }, { "multi_file_folder", folder },
            { "encoding", encoding } };
    }
    void restoreOptions(const QVariantMap& o) override
    {
        medium = o.value("medium", 0).toInt();
        path = o.value("path").toString().trimmed();
        alias = o.value("alias").toString();
        header = o.value("header", 0).toInt();
        text = o.value("text").toString();
        schema = o.value("schema_col_name").toStringList();
        delimiter = o.value("delimiter", 1).toInt();
        const QString c = o.value("custom_delimiter").toString();
        customDelimiter = c.isEmpty() ? QStringLiteral("*") : c.left(1);
        hiddenCols = o.value("ignore_excel_hidden_cols", 0).toInt();
        hiddenRows = o.value("ignore_excel_hidden_rows", 0).toInt();
        folder = o.value("multi_file_folder").toString();
        encoding = o.value("encoding", QStringLiteral("Automatic")).toString();
    }

    int medium = 0;
    QString path;
    QString alias;
    int header = 1;
    QString text;
    QStringList schema;
    int delimiter = 1;
    QString customDelimiter = QStringLiteral("*");
    int hiddenCols = 0;
    int hiddenRows = 0;
    QString folder;
    QString encoding = QStringLiteral("Automatic");

private:
    bool read()
    {
        QString content = text;
        if (medium == 0) {
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly)) {
                m_warnings << QStringLiteral("Cannot read '%1'").arg(path);
                return false;
            }
            content = QString::fromUtf8(f.readAll());
        }
        QStringList lines = content.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        m_dataset.clear();
        if (lines.isEmpty())
            return true;
        const QStringList first = lines.first().split(QLatin1Char(','));
        m_dataset.setColumnCount(first.size());
        if (header) {
            m_dataset.setHeader(first);
            lines.removeFirst();
        }
        for (const QString& line : qAsConst(lines))
            m_dataset.appendRow(line.split(QLatin1Char(',')));
        m_dataset.assignColumnIds(id());
        if (m_dataset.rowCount() == 0)
            m_warnings << QStringLiteral("No rows");
        m_information << QStringLiteral("Read %1 row(s)").arg(m_dataset.rowCount());
        return true;
    }
};

// Writes its upstream dataset as comma-separated lines.
class DocOutput : public IONode
{
public:
    int type() const override { return OutputNodeType; }
    QString typeName() const override { return QStringLiteral("Output"); }
    QString displayName() const override { return QStringLiteral("Out"); }
    bool canProcess() const override { return allUpstreamUpToDate(); }
    int maxUpstream() const override { return 1; }
    int maxDownstream() const override { return 0; }
    void upstreamProcessed() override { }
    void process(bool processDownstream, bool force) override
    {
        Q_UNUSED(processDownstream)
        Q_UNUSED(force)
        if (status() == StatusUpToDate || !canProcess())
            return;
        setStatus(StatusUpdating, false);
        emit processingStart(this);
        m_warnings.clear();
        m_information.clear();
        const Node* up = upstreamNodes(false).value(0);
        QFile f(path);
        const bool existed = f.exists();
        if (!up || !f.open(QIODevice::WriteOnly)) {
            m_warnings
                << QStringLiteral("Unable to write '%1'").arg(QDir::toNativeSeparators(path));
            setStatus(StatusError, false);
            emit processingEnd(this);
            return;
        }
        QTextStream out(&f);
        out << up->dataset().columnNames().join(QLatin1Char(',')) << '\n';
        for (int r = 0; r < up->dataset().rowCount(); ++r)
            out << up->dataset().row(r).join(QLatin1Char(',')) << '\n';
        const QString native = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
        m_information << (existed ? QStringLiteral("Overwrote file '%1'").arg(native)
                                  : QStringLiteral("Created file '%1'").arg(native));
        setStatus(StatusUpToDate, false);
        emit processingEnd(this);
    }
    QVariantMap saveOptions() const override
    {
        return { { "path", path }, { "alias", alias }, { "file_comment", fileComment },
            { "multi_file_column", multiFileColumn }, { "json_types", jsonTypes }, { "bom", bom } };
    }
    void restoreOptions(const QVariantMap& o) override
    {
        path = o.value("path").toString().trimmed();
        alias = o.value("alias").toString();
        fileComment = o.value("file_comment").toString();
        multiFileColumn = o.value("multi_file_column").toString();
        const int types = o.value("json_types", 0).toInt();
        jsonTypes = types < 0 || types > 2 ? 0 : types;
        bom = o.value("bom", 1).toInt();
    }

    QString path;
    QString alias;
    QString fileComment;
    QString multiFileColumn;
    int jsonTypes = 0;
    int bom = 1;
};

// One option of every parameter type, for stored-form round trips.
class TestAllTypes : public Transform
{
public:
    QString typeKey() const override { return QStringLiteral("Test_All"); }
    QString displayName() const override { return QStringLiteral("Test All"); }
    int minInputs() const override { return 1; }
    int maxInputs() const override { return 1; }
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override
    {
        Transform::defineParameters(upstream, useUserDefaults);
        for (int t = 0; t <= int(ParameterType::Locale); ++t) {
            const QString key = QStringLiteral("P_%1").arg(t);
            const QVariant choices = t == int(ParameterType::Selection)
                ? QVariant(QStringList { "Alpha", "Beta gamma", "Delta" })
                : QVariant();
            addParameter(ParameterType(t), key, key, QVariant(), choices);
        }
    }
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override
    {
        Q_UNUSED(error)
        output = upstream.isEmpty() ? Dataset() : upstream.first()->dataset();
        setSummary(QStringLiteral("No changes"));
    }

protected:
    Transform* newInstance() const override { return new TestAllTypes; }
};

inline void registerDocumentTestKinds()
{
    NodeFactory::registerKind(InputNodeType, [] { return new DocInput; });
    NodeFactory::registerKind(OutputNodeType, [] { return new DocOutput; });
    Catalogue::instance().add(new TestAllTypes);
}
