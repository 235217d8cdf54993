#pragma once

#include "transforms/transform.h"

#include <QJSValue>
#include <QStringList>
#include <QVector>

#include <memory>

class QJSEngine;

// Appends a column whose value in each row is the result of a JavaScript
// function body, called with the values of the columns the script names as
// "$(name)" or "$(number)".
class TransformJavascript : public Transform
{
    Q_OBJECT

public:
    enum ArgumentType { NumberType, BooleanType, StringType };

    TransformJavascript();
    ~TransformJavascript() override;

    QString typeKey() const override { return QStringLiteral("Javascript"); }
    QString description() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;

    // The script with its column variables replaced by parameter names
    // ("col_3_var"); used gets the positions of the columns referred to, in
    // order, and ambiguous the names that more than one column carries.
    static QString rewriteVariables(const QString& script, const QStringList& columnNames,
        QVector<int>* used, QStringList* ambiguous);
    static ArgumentType columnType(const Dataset& data, int column);
    static QString helpText();

protected:
    Transform* newInstance() const override { return new TransformJavascript; }

private:
    struct Run;
    bool compile(const QString& body, const QStringList& parameterNames, QJSValue* function,
        QString* failure);
    void convertBlock(Run& run, int first, int count);
    bool callBlock(Run& run, Dataset& output, int first, int count);
    void runBlocks(Run& run, Dataset& output);
    void reportRun(const Run& run, const QStringList& ambiguous);

    // Created on the first run and kept: starting an engine costs far more
    // than a small dataset's run.
    std::unique_ptr<QJSEngine> m_engine;
    QJSValue m_blockRunner;
};
