#include "sync/formbody.h"

namespace kairon {

namespace {
bool NeedsEscape(unsigned char c) {
  if (c <= 0x20 || c >= 0x7F) return true;
  switch (c) {
    case '*':
    case '<':
    case '>':
    case '#':
    case '%':
    case '"':
    case '{':
    case '}':
    case '|':
    case '\\':
    case '^':
    case '[':
    case ']':
    case '`':
    // "&" and "+" would split a value or be read as a blank by the server.
    case '&':
    case '+':
      return true;
    default:
      return false;
  }
}
}  // namespace

QByteArray EncodeFormValue(const QString& value) {
  static const char kHex[] = "0123456789ABCDEF";
  const QByteArray utf8 = value.toUtf8();
  QByteArray out;
  out.reserve(utf8.size() + utf8.size() / 4);
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    if (NeedsEscape(c)) {
      out.append('%');
      out.append(kHex[c >> 4]);
      out.append(kHex[c & 0x0F]);
    } else {
      out.append(ch);
    }
  }
  return out;
}

QByteArray BuildFormBody(const FormPairs& pairs) {
  QByteArray body;
  for (const auto& pair : pairs) {
    if (!body.isEmpty()) body.append('&');
    body.append(pair.first.toLatin1());
    body.append('=');
    body.append(EncodeFormValue(pair.second));
  }
  return body;
}

}  // namespace kairon
