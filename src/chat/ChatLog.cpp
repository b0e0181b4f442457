#include "chat/ChatLog.h"

#include "chat/PrintableText.h"
#include "text/AnsiText.h"
#include "text/LogTimeFormats.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

const QString kFieldSeparator = u"  "_s;

// The date text as a file name: "/" becomes "_" as operators know it, and any other character
// no file system takes becomes "_" too.
QString fileNameOf(const QString &dateText)
{
    static const QString forbidden = u"/\\:*?\"<>|"_s;
    QString name = dateText;
    for (QChar &c : name) {
        if (forbidden.contains(c) || c.category() == QChar::Other_Control)
            c = u'_';
    }
    return name + u".txt"_s;
}

} // namespace

ChatLog::ChatLog(const QString &folder, const QLocale &locale, Clock clock, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_locale(locale)
    , m_dateFormat(LogTimeFormats::dateFormat(locale))
    , m_timeFormat(LogTimeFormats::timeFormat(locale))
    , m_clock(std::move(clock))
{
}

QString ChatLog::filePath(QDate day) const
{
    return QDir(m_folder).filePath(fileNameOf(m_locale.toString(day, m_dateFormat)));
}

QString ChatLog::record(const QDateTime &moment, const QString &category, const QString &text) const
{
    return m_locale.toString(moment.date(), m_dateFormat) + kFieldSeparator
        + m_locale.toString(moment.time(), m_timeFormat) + kFieldSeparator + printableText(category)
        + kFieldSeparator + printableText(text);
}

void ChatLog::writeChatLog(const QString &category, const QString &text)
{
    // One reading of the clock, so a record's file and its date agree at midnight.
    const QDateTime now = m_clock();
    QFile file(filePath(now.date()));
    const QByteArray bytes = AnsiText::encode(QString(record(now, category, text) + u"\r\n"_s));
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Append)
        && file.write(bytes) == bytes.size() && file.flush();
    if (written) {
        m_failureReported = false;
        return;
    }
    if (m_failureReported)
        return;
    // Set before emitting: a receiver that logs the message ends up here again.
    m_failureReported = true;
    Q_EMIT writeFailed(u"The chat log cannot be written to "_s
        + QDir::toNativeSeparators(file.fileName()) + u": "_s + file.errorString());
}
