#include "ProgramProcess.h"

#include "TestWait.h"
#include "TrafficCapture.h"

ProgramProcess::ProgramProcess(QString program)
    : m_program(std::move(program))
{
    connect(&process, &QProcess::readyReadStandardOutput, this,
        [this] { collect(QProcess::StandardOutput, m_outPending, out); });
    connect(&process, &QProcess::readyReadStandardError, this,
        [this] { collect(QProcess::StandardError, m_errPending, err); });
}

ProgramProcess::~ProgramProcess()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(3000);
    }
}

void ProgramProcess::start(const QStringList &arguments)
{
    process.start(m_program, arguments);
}

void ProgramProcess::type(const QString &line)
{
    captureTraffic("console", line.toUtf8());
    process.write(line.toUtf8() + '\n');
}

QString ProgramProcess::waitForOut(const QString &text, int timeoutMs)
{
    return waitForLine(out, text, timeoutMs);
}

QString ProgramProcess::waitForErr(const QString &text, int timeoutMs)
{
    return waitForLine(err, text, timeoutMs);
}

int ProgramProcess::waitForExit(int timeoutMs)
{
    if (!waitUntil([this] { return process.state() == QProcess::NotRunning; }, timeoutMs))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
}

QString ProgramProcess::waitForLine(const QStringList &lines, const QString &text, int timeoutMs)
{
    QString found;
    waitUntil(
        [&] {
            for (const QString &line : lines) {
                if (line.contains(text)) {
                    found = line;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

void ProgramProcess::collect(
    QProcess::ProcessChannel channel, QByteArray &pending, QStringList &lines)
{
    process.setReadChannel(channel);
    pending += process.readAll();
    qsizetype newline;
    while ((newline = pending.indexOf('\n')) >= 0) {
        lines << QString::fromUtf8(pending.left(newline));
        pending.remove(0, newline + 1);
    }
}
