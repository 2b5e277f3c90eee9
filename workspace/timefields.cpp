#include "workspace/timefields.h"

#include <cstdint>

namespace kairon {

namespace {

bool IsAsciiDigit(QChar c) {
  return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool AllDigits(QStringView s) {
  for (QChar c : s)
    if (!IsAsciiDigit(c)) return false;
  return true;
}

// The digits as a number; stops growing at a bound far above every limit, so
// a long run of digits can never overflow.
std::int64_t DigitsValue(QStringView s) {
  constexpr std::int64_t kCap = std::int64_t(1) << 50;
  std::int64_t v = 0;
  for (QChar c : s) {
    v = v * 10 + (c.unicode() - u'0');
    if (v > kCap) return kCap;
  }
  return v;
}

}  // namespace

int CheckDecimalHours(const QString& text) {
  const qsizetype p = text.indexOf(QLatin1Char(','));
  if (p < 0) return 0;
  if (p == 0) return -1;
  const QStringView hours = QStringView(text).left(p);
  const QStringView fraction = QStringView(text).mid(p + 1);
  if (fraction.contains(QLatin1Char(','))) return -1;
  if (fraction.isEmpty()) return -1;
  // Both parts must read as numbers.
  if (!AllDigits(hours) || !AllDigits(fraction)) return -1;
  const std::int64_t h = DigitsValue(hours);
  const std::int64_t f = DigitsValue(fraction);
  if (h > 24) return -1;
  if (f > 99) return -1;
  // h x 60 + f / 100 x 60 > 1440, in hundredths of a minute.
  if (h * 6000 + f * 60 > 144000) return -1;
  return 1;
}

int DecimalHoursToMinutes(const QString& text) {
  const qsizetype p = text.indexOf(QLatin1Char(','));
  const QStringView hours = p < 0 ? QStringView(text) : QStringView(text).left(p);
  QStringView fraction = p < 0 ? QStringView() : QStringView(text).mid(p + 1);
  if (!AllDigits(hours) || !AllDigits(fraction)) return 0;
  std::int64_t minutes = DigitsValue(hours) * 60;
  // The fraction is read digit by digit as a decimal fraction: 0,05 is exactly
  // 5/100 of an hour. Digits beyond the fifteenth cannot move the rounding of a
  // text that passed CheckDecimalHours and are left out.
  if (fraction.size() > 15) fraction = fraction.left(15);
  if (!fraction.isEmpty()) {
    std::int64_t scale = 1;
    for (qsizetype i = 0; i < fraction.size(); ++i) scale *= 10;
    const std::int64_t num = DigitsValue(fraction) * 60;
    // Nearest minute; an exact half rounds up.
    minutes += (2 * num + scale) / (2 * scale);
  }
  if (minutes > INT32_MAX) return INT32_MAX;
  return int(minutes);
}

std::optional<QChar> FilterTimeKey(QChar c) {
  if (c == QLatin1Char('.')) return QChar(QLatin1Char(','));
  if (c == QChar(0x08) || c == QLatin1Char(',') || IsAsciiDigit(c)) return c;
  return std::nullopt;
}

bool IsTimeFieldText(const QString& text) {
  for (QChar c : text)
    if (!IsAsciiDigit(c) && c != QLatin1Char(',')) return false;
  return true;
}

int PlainMinutes(const QString& text) {
  const std::int64_t v = DigitsValue(text);
  return v > INT32_MAX ? INT32_MAX : int(v);
}

}  // namespace kairon
