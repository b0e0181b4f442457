#pragma once

#include <QStringList>

// The fixed choice lists of the round rows on the tournament settings page. Every row, the "ALL"
// row included, offers the same lists; their order is the order shown and must not be sorted.
namespace CourseTable {

inline constexpr int RoundCount = 8; // R1..R6, WF, LB
inline constexpr int AllRow = 8; // sets all rounds at once; never stored
inline constexpr int RowCount = 9;

// The 24 courses of the game, in the game's order.
const QStringList &courseNames();
// "No Setting" followed by the 24 courses.
const QStringList &courseChoices();
// 1, 1+, 2, 2+ ... 6, 6+.
const QStringList &levelChoices();
// "Stroke": "1".."18"; "Skins": "$5,000".."$50,000"; any other type: empty.
QStringList holesChoices(QStringView type);
// "R1".."R6", "WF", "LB", "ALL": one caption per row.
const QStringList &rowCaptions();

} // namespace CourseTable
