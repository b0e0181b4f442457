// --set-panel-password: a run of the program that starts no host and only stores the password.
#include "panel/PanelFrontEnd.h"

#include "panel/PanelPassword.h"
#include "settings/SettingsStore.h"

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().append('\n').constData(), stream);
    std::fflush(stream);
}

// One line without its line break; nothing at the end of input.
std::optional<QString> readLine(FILE *in)
{
    QByteArray line;
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n') {
        if (line.size() < 4096)
            line.append(char(c));
    }
    if (c == EOF && line.isEmpty())
        return std::nullopt;
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

bool isTerminal(FILE *stream)
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

// Turns the terminal's echo off while it lives, and back on after.
class EchoOff
{
public:
    explicit EchoOff(FILE *in)
    {
#ifdef Q_OS_WIN
        m_console = HANDLE(_get_osfhandle(_fileno(in)));
        m_quiet = GetConsoleMode(m_console, &m_saved)
            && SetConsoleMode(m_console, m_saved & ~DWORD(ENABLE_ECHO_INPUT));
#else
        m_fd = fileno(in);
        m_quiet = tcgetattr(m_fd, &m_saved) == 0;
        if (m_quiet) {
            termios quiet = m_saved;
            quiet.c_lflag &= ~tcflag_t(ECHO);
            tcsetattr(m_fd, TCSAFLUSH, &quiet);
        }
#endif
    }
    ~EchoOff()
    {
        if (!m_quiet)
            return;
#ifdef Q_OS_WIN
        SetConsoleMode(m_console, m_saved);
#else
        tcsetattr(m_fd, TCSAFLUSH, &m_saved);
#endif
    }
    EchoOff(const EchoOff &) = delete;
    EchoOff &operator=(const EchoOff &) = delete;

    bool quiet() const
    {
        return m_quiet;
    }

private:
    bool m_quiet = false;
#ifdef Q_OS_WIN
    HANDLE m_console = nullptr;
    DWORD m_saved = 0;
#else
    int m_fd = -1;
    termios m_saved{};
#endif
};

std::optional<QString> askHidden(FILE *in, FILE *err, const QString &prompt)
{
    std::fputs(prompt.toLocal8Bit().constData(), err);
    std::fflush(err);
    const EchoOff echoOff(in);
    std::optional<QString> line = readLine(in);
    // The typed line break was not echoed.
    if (echoOff.quiet())
        std::fputs("\n", err);
    return line;
}

} // namespace

namespace PanelPasswordSetup {

int run(const QString &settingsFile, FILE *in, FILE *err)
{
    const bool terminal = isTerminal(in);
    const std::optional<QString> first
        = terminal ? askHidden(in, err, u"New panel password: "_s) : readLine(in);
    if (!first || first->isEmpty()) {
        print(err, u"No password given; nothing was changed."_s);
        return 1;
    }
    if (terminal) {
        const std::optional<QString> second = askHidden(in, err, u"Once more: "_s);
        if (!second || *second != *first) {
            print(err, u"The two entries differ; nothing was changed."_s);
            return 1;
        }
    }
    SettingsStore store(settingsFile);
    PanelPassword::store(store, PanelPassword::hash(*first));
    print(err, u"The panel password is set."_s);
    return 0;
}

} // namespace PanelPasswordSetup
