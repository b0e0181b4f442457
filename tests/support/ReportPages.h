#pragma once

#include <QByteArray>
#include <QString>

// The league's pairings report as the bot's tests serve it from a loopback site.
namespace ReportPages {

inline const QString Path = QStringLiteral("/tourneysystem/report.php");

// Single elimination: Ann and Bob meet in round 1, Ann waits for an opponent in round 2, and
// round 3 knows only its second match.
inline const QByteArray Single = "<html><body>"
                                 "<h2>Round 1 </h2><table>"
                                 "<tr><td align=left>Match #1</td><td align=left>Ann</td>"
                                 "<td align=left>Bob</td></tr>"
                                 "<tr><td align=left>Match #2</td><td align=left>Cid</td>"
                                 "<td align=left>Dee</td></tr></table></form>"
                                 "<h2>Round 2 </h2><table>"
                                 "<tr><td align=left>Match #1</td><td align=left>Ann</td>"
                                 "<td align=left></td></tr></table></form>"
                                 "<h2>Round 3 </h2><table>"
                                 "<tr><td align=left>Match #2</td><td align=left>Eve</td>"
                                 "<td align=left>Fay</td></tr></table></form>"
                                 "</body></html>";

// Double elimination: one table of the current matches.
inline const QByteArray Double = "<table><tr><td align=left>Ann</td><td align=left>Bob</td></tr>"
                                 "<tr><td align=left>Cid</td><td align=left>Dee</td></tr></table>";

} // namespace ReportPages
