#include "panel/PanelSessions.h"

#include <QRandomGenerator>

#include <algorithm>
#include <array>

QByteArray PanelSessions::create(qint64 nowMs)
{
    m_lastUse.removeIf([nowMs](const QHash<QByteArray, qint64>::iterator &it) {
        return nowMs - it.value() > IdleMs;
    });
    if (m_lastUse.size() >= MaxSessions) {
        const auto oldest = std::min_element(m_lastUse.begin(), m_lastUse.end());
        m_lastUse.erase(oldest);
    }
    std::array<quint32, 8> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const QByteArray token
        = QByteArray(reinterpret_cast<const char *>(words.data()), sizeof words).toHex();
    m_lastUse.insert(token, nowMs);
    return token;
}

bool PanelSessions::touch(const QByteArray &token, qint64 nowMs)
{
    if (!isLive(token, nowMs)) {
        m_lastUse.remove(token);
        return false;
    }
    m_lastUse[token] = nowMs;
    return true;
}

bool PanelSessions::isLive(const QByteArray &token, qint64 nowMs) const
{
    const auto it = m_lastUse.constFind(token);
    return it != m_lastUse.cend() && nowMs - it.value() <= IdleMs;
}

void PanelSessions::end(const QByteArray &token)
{
    m_lastUse.remove(token);
}

void PanelSessions::endAll()
{
    m_lastUse.clear();
}
