#pragma once

#include <QDateTime>
#include <QLocale>
#include <QObject>

#include <functional>

// The daily chat log: one Windows-1252 text file per calendar day, named after the date (with
// "_" for "/"), one CR LF record per event: date, time, category and text, two blanks apart. The
// file is opened, appended to and closed for every record, so other programs may read it at any
// time and nothing is lost when the host ends.
class ChatLog : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    explicit ChatLog(const QString &folder, const QLocale &locale = QLocale::system(),
        Clock clock = &QDateTime::currentDateTime, QObject *parent = nullptr);

    // Appends one record to today's file. Callers check the logging options first.
    void writeChatLog(const QString &category, const QString &text);

    QString folder() const { return m_folder; }
    QString filePath(QDate day) const;
    QString record(const QDateTime &moment, const QString &category, const QString &text) const;

Q_SIGNALS:
    // A record was lost. Said once, and again only after a record has been written in between:
    // the operator learns of it without a flood of messages, and showing (and logging) this
    // message cannot set off another one.
    void writeFailed(const QString &message);

private:
    QString m_folder;
    QLocale m_locale;
    QString m_dateFormat;
    QString m_timeFormat;
    Clock m_clock;
    bool m_failureReported = false;
};
