#pragma once

#include <QChar>
#include <QString>
#include <optional>

namespace kairon {

// 0: no comma (plain minutes); 1: acceptable decimal hours; -1: not acceptable.
int CheckDecimalHours(const QString& text);

// Minutes of an accepted decimal-hours text: hours x 60, rounded to the nearest minute.
int DecimalHoursToMinutes(const QString& text);

// The key filter of both time fields: a full stop becomes a comma; digits,
// comma and Backspace pass; every other character is swallowed (nullopt).
std::optional<QChar> FilterTimeKey(QChar c);

// Whether a field text holds nothing but digits and commas (pasted text may hold more).
bool IsTimeFieldText(const QString& text);

// A text of digits as whole minutes; a number too large for int reads as INT_MAX.
int PlainMinutes(const QString& text);

}  // namespace kairon
