#pragma once

#include <QLocale>
#include <QString>

// The date and time texts of the chat log: the locale's short date and long time formats, but
// always with a four-digit year (so files of different centuries never mix) and without a
// time-zone name (it would differ between summer and winter for the same wall-clock time).
namespace LogTimeFormats {

QString dateFormat(const QLocale &locale);
QString timeFormat(const QLocale &locale);

// The building blocks, on Qt date and time format strings; quoted literal text is left alone.
QString withFourDigitYear(const QString &format);
QString withoutTimeZone(const QString &format);

} // namespace LogTimeFormats
