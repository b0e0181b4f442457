#include "text/LogTimeFormats.h"

#include <functional>

using namespace Qt::StringLiterals;

namespace LogTimeFormats {

namespace {

// Rewrites each unquoted run of one pattern letter; the rewrite gets the run and the text built
// so far (so it can take back a separator in front of the run).
QString rewriteRuns(const QString &format, QChar letter,
    const std::function<void(QString &built, qsizetype runLength)> &rewrite)
{
    QString built;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != letter) {
            built += c;
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < format.size() && format[end] == letter)
            ++end;
        rewrite(built, end - i);
        i = end;
    }
    return built;
}

} // namespace

QString withFourDigitYear(const QString &format)
{
    return rewriteRuns(format, u'y', [](QString &built, qsizetype runLength) {
        built += runLength == 2 ? u"yyyy"_s : QString(runLength, u'y');
    });
}

QString withoutTimeZone(const QString &format)
{
    const QString removed = rewriteRuns(format, u't', [](QString &built, qsizetype) {
        while (!built.isEmpty() && built.back().isSpace())
            built.chop(1);
    });
    return removed.trimmed();
}

QString dateFormat(const QLocale &locale)
{
    return withFourDigitYear(locale.dateFormat(QLocale::ShortFormat));
}

QString timeFormat(const QLocale &locale)
{
    return withoutTimeZone(locale.timeFormat(QLocale::LongFormat));
}

} // namespace LogTimeFormats
