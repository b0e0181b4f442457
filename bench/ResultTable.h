#pragma once

#include <QList>
#include <QString>

// The benchmark results as one markdown table: what was measured, the result, and a note.
class ResultTable
{
public:
    void add(const QString &benchmark, const QString &measure, const QString &result,
        const QString &note = QString());
    QString toMarkdown() const;

private:
    struct Row
    {
        QString benchmark;
        QString measure;
        QString result;
        QString note;
    };
    QList<Row> m_rows;
};
