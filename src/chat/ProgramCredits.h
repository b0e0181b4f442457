#pragma once

#include <QString>

// The About box's texts. The bot's "+version" answer repeats them, so they live beside the core.
namespace ProgramCredits {

inline QString programName()
{
    return QStringLiteral("Vornic Host");
}
inline QString versionCaption()
{
    return QStringLiteral("Version: 1.4");
}
inline QString authorsLine()
{
    return QStringLiteral("Written by the Vornic Host developers");
}
inline QString supportLine()
{
    return QStringLiteral("Support: ask your league's tournament directors");
}

} // namespace ProgramCredits
