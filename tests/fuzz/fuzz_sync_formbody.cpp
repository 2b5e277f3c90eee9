// The form encoder on any text: the output holds only bytes that may stand
// unencoded in a form value (never "&", "+", "%" unless it starts an escape,
// a blank or a control character) or "%XX" with upper-case hex digits, and
// percent-decoding it gives back exactly the UTF-8 of the input. A body of two
// pairs splits into exactly those two pairs.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "sync/formbody.h"

namespace {

bool Allowed(unsigned char c) {
  if (c <= 0x20 || c >= 0x7F) return false;
  return QByteArray("*<>#%\"{}|\\^[]`&+").indexOf(char(c)) < 0;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // lower case is not written
}

// Decodes "%XX"; aborts on anything the encoder must not write.
QByteArray Decode(const QByteArray& encoded) {
  QByteArray out;
  for (qsizetype i = 0; i < encoded.size(); ++i) {
    const auto c = static_cast<unsigned char>(encoded[i]);
    if (c == '%') {
      if (i + 2 >= encoded.size()) std::abort();
      const int hi = HexValue(encoded[i + 1]);
      const int lo = HexValue(encoded[i + 2]);
      if (hi < 0 || lo < 0) std::abort();
      const auto byte = static_cast<unsigned char>(hi * 16 + lo);
      // Only what needs it is encoded.
      if (Allowed(byte)) std::abort();
      out.append(char(byte));
      i += 2;
    } else {
      if (!Allowed(c)) std::abort();
      out.append(char(c));
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString value = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const QByteArray encoded = kairon::EncodeFormValue(value);
  if (Decode(encoded) != value.toUtf8()) std::abort();

  // Split the text in two values: the body keeps them apart.
  const qsizetype half = value.size() / 2;
  const QString first = value.left(half);
  const QString second = value.mid(half);
  const QByteArray body = kairon::BuildFormBody({{QStringLiteral("a"), first}, {QStringLiteral("b"), second}});
  const QList<QByteArray> pairs = body.split('&');
  if (pairs.size() != 2) std::abort();
  if (!pairs[0].startsWith("a=") || !pairs[1].startsWith("b=")) std::abort();
  if (Decode(pairs[0].mid(2)) != first.toUtf8() || Decode(pairs[1].mid(2)) != second.toUtf8()) std::abort();
  return 0;
}
