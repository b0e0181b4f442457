#pragma once

#include <QString>

// Text from players goes into the transcript and the log files. Control characters there would
// let a player break a line and forge the next one, so each becomes "?". Line and paragraph
// separators count as control characters here, since a rich-text view breaks lines at them.
QString printableText(QStringView text);
