// The console's command lines, typed by the operator of an open room in which two players are
// seated: "/set", "/ban", "/ban-address", "/kick", "/whisper", "/unban" and the rest, with names,
// IDs, durations and reasons, and chat lines that may be bot commands.
//
// Input: lines separated by '\n', read as UTF-8 as the console reads its standard input. The
// room starts every input open with both players seated (IDs as the room gave them) and no bans.
//
// After every line nothing may wait for a connection that is gone, seated players hold live
// connections under IDs of their own, and every ban comes back unchanged from the ban store.

#include "FuzzSupport.h"
#include "headless/HeadlessConsole.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    new QCoreApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static FILE *const nowhere = std::fopen("/dev/null", "w");
    FuzzHost &host = sharedHost();
    HeadlessConsole console(host.core(), nowhere, nowhere);
    QByteArrayView input(data, qsizetype(size));
    while (!input.isEmpty()) {
        const qsizetype newline = input.indexOf('\n');
        const QByteArrayView line = newline < 0 ? input : input.first(newline);
        input = newline < 0 ? QByteArrayView() : input.sliced(newline + 1);
        console.handleLine(QString::fromUtf8(line));
        host.settle();
        host.check();
    }
    finishInput();
    return 0;
}
