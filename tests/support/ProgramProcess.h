#pragma once

#include <QProcess>
#include <QStringList>

// A program under test as a child process: its standard output and error split into lines as they
// come, bounded waits for a line or for its end, and a kill when the test is done with it.
class ProgramProcess : public QObject
{
public:
    explicit ProgramProcess(QString program);
    ~ProgramProcess() override;

    void start(const QStringList &arguments);
    void type(const QString &line);

    // Waits until a line of the stream contains the text; gives that line, or "" on time-out.
    QString waitForOut(const QString &text, int timeoutMs = 5000);
    QString waitForErr(const QString &text, int timeoutMs = 5000);

    // The exit code once the program has ended by itself, or -1 when it is still running and -2
    // when it crashed.
    int waitForExit(int timeoutMs = 8000);

    QString allOutput() const { return (out + err).join(u'\n'); }

    QProcess process;
    QStringList out;
    QStringList err;

private:
    QString waitForLine(const QStringList &lines, const QString &text, int timeoutMs);
    void collect(QProcess::ProcessChannel channel, QByteArray &pending, QStringList &lines);

    QString m_program;
    QByteArray m_outPending;
    QByteArray m_errPending;
};
