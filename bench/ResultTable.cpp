#include "ResultTable.h"

using namespace Qt::StringLiterals;

void ResultTable::add(
    const QString &benchmark, const QString &measure, const QString &result, const QString &note)
{
    m_rows << Row{benchmark, measure, result, note};
}

QString ResultTable::toMarkdown() const
{
    QString text = u"| Benchmark | Measure | Result | Note |\n|---|---|---|---|\n"_s;
    for (const Row &row : m_rows)
        text += u"| %1 | %2 | %3 | %4 |\n"_s.arg(row.benchmark, row.measure, row.result, row.note);
    return text;
}
