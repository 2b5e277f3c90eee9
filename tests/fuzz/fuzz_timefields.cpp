// CheckDecimalHours and the conversion on any text: an accepted decimal-hours
// text always converts to 0..1440 minutes; the key filter only lets digits,
// comma and Backspace through.
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "workspace/timefields.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const int r = kairon::CheckDecimalHours(text);
  if (r < -1 || r > 1) std::abort();
  if (r == 0 && text.contains(QLatin1Char(','))) std::abort();
  if (r == 1) {
    const int minutes = kairon::DecimalHoursToMinutes(text);
    if (minutes < 0 || minutes > 1440) std::abort();
  }
  for (const QChar c : text) {
    const auto filtered = kairon::FilterTimeKey(c);
    if (filtered && !(filtered->isDigit() && filtered->unicode() < 128) && *filtered != QLatin1Char(',') &&
        *filtered != QChar(8))
      std::abort();
  }
  return 0;
}
