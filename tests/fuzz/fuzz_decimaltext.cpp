// DecodeDecimalText on any text: either a conversion error or a text that
// encodes back to the same digits (each group read as three digits).
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "common/errors.h"
#include "common/global.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString input = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  QString decoded;
  try {
    decoded = kairon::DecodeDecimalText(input);
  } catch (const kairon::ConversionError&) {
    return 0;
  }
  // Every group decodes to a code below 1000, so re-encoding restores full groups.
  if (decoded.size() != (input.size() + 2) / 3) std::abort();
  const QString again = kairon::EncodeDecimalText(decoded);
  if (input.size() % 3 == 0 && again != input) std::abort();
  if (kairon::DecodeDecimalText(again) != decoded) std::abort();
  return 0;
}
