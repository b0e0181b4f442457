#include "headless/StandardInput.h"

#include <QMetaObject>

#include <mutex>

#include <windows.h>

namespace {

// What the reading thread shares with the loop. The thread may outlive the reader (a console
// read cannot always be cancelled), so it holds this and never the reader itself.
struct Shared
{
    std::mutex mutex;
    StandardInput *reader = nullptr; // cleared under the mutex when the reader goes
    HANDLE input = nullptr;
};

DWORD WINAPI readUntilEnd(void *argument)
{
    const auto shared = std::shared_ptr<Shared>(*static_cast<std::shared_ptr<Shared> *>(argument));
    delete static_cast<std::shared_ptr<Shared> *>(argument);
    for (;;) {
        char buffer[4096];
        DWORD got = 0;
        const bool read = ReadFile(shared->input, buffer, sizeof buffer, &got, nullptr) != 0;
        const std::lock_guard lock(shared->mutex);
        StandardInput *reader = shared->reader;
        if (!reader)
            return 0;
        if (!read || got == 0) {
            QMetaObject::invokeMethod(reader, &StandardInput::ended, Qt::QueuedConnection);
            return 0;
        }
        QMetaObject::invokeMethod(
            reader,
            [reader, bytes = QByteArray(buffer, qsizetype(got))] {
                Q_EMIT reader->received(bytes);
            },
            Qt::QueuedConnection);
    }
}

} // namespace

struct StandardInput::Platform
{
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
    HANDLE thread = nullptr;
};

StandardInput::StandardInput(QObject *parent)
    : QObject(parent)
    , m_platform(std::make_unique<Platform>())
{
    m_platform->shared->reader = this;
}

StandardInput::~StandardInput()
{
    {
        const std::lock_guard lock(m_platform->shared->mutex);
        m_platform->shared->reader = nullptr;
    }
    if (m_platform->thread) {
        // Wakes a read in progress where the system allows it; a thread still blocked finds no
        // reader when its read returns and ends.
        CancelSynchronousIo(m_platform->thread);
        WaitForSingleObject(m_platform->thread, 200);
        CloseHandle(m_platform->thread);
    }
}

void StandardInput::start()
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE || m_platform->thread) {
        QMetaObject::invokeMethod(this, &StandardInput::ended, Qt::QueuedConnection);
        return;
    }
    m_platform->shared->input = input;
    // Typed lines are taken as UTF-8, as from a pipe.
    DWORD mode = 0;
    if (GetConsoleMode(input, &mode))
        SetConsoleCP(CP_UTF8);
    auto *handOver = new std::shared_ptr<Shared>(m_platform->shared);
    m_platform->thread = CreateThread(nullptr, 0, &readUntilEnd, handOver, 0, nullptr);
    if (!m_platform->thread) {
        delete handOver;
        QMetaObject::invokeMethod(this, &StandardInput::ended, Qt::QueuedConnection);
    }
}
