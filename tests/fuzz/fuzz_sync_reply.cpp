// The reply reader on any bytes: the body decoder with any Content-Type, then
// ServerReply::Parse. It either refuses with a German message or yields a
// reply whose failure text and value texts follow their rules. Never a crash,
// a leak, unbounded recursion or a sanitizer report.
#include <QByteArray>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "common/errors.h"
#include "sync/exchange.h"
#include "sync/serverreply.h"

namespace {

bool IsPlainInteger(const QString& text) {
  if (text.isEmpty()) return false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (!(c.isDigit() || (i == 0 && c == QLatin1Char('-')))) return false;
  }
  return true;
}

// Every value of the tree, iteratively: value texts of all kinds.
void WalkValues(const kairon::Json& root) {
  std::vector<const kairon::Json*> stack{&root};
  while (!stack.empty()) {
    const kairon::Json* v = stack.back();
    stack.pop_back();
    const QString text = kairon::JsonValueText(*v);
    if ((v->is_structured() || v->is_boolean() || v->is_null()) && !text.isEmpty()) std::abort();
    if (v->is_number_integer()) {
      const bool small = v->is_number_unsigned()
                             ? v->get<uint64_t>() < 1000000000000000ULL
                             : (v->get<int64_t>() > -1000000000000000LL && v->get<int64_t>() < 1000000000000000LL);
      // An integer of up to 15 digits is its plain digits.
      if (small && !IsPlainInteger(text)) std::abort();
    }
    for (std::size_t i = 0;; ++i) {
      const kairon::Json* member = kairon::MemberAt(*v, i);
      if (!member) break;
      stack.push_back(member);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool locale = [] {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    return true;
  }();
  (void)locale;
  // The first byte says how many of the next bytes are the Content-Type.
  const QByteArray all(reinterpret_cast<const char*>(data), qsizetype(size));
  const qsizetype typeLength = all.isEmpty() ? 0 : qMin<qsizetype>(uchar(all[0]) % 48, all.size() - 1);
  const QByteArray contentType = all.mid(1, typeLength);
  const QByteArray body = all.mid(1 + typeLength);
  const QString text = kairon::DecodeReplyBody(body, contentType);
  for (const QByteArray& input : {text.toUtf8(), all}) {
    try {
      const kairon::ServerReply reply = kairon::ServerReply::Parse(QString::fromUtf8(input));
      if (!reply.root().is_object()) std::abort();
      if (!reply.error().is_object() || reply.error().empty()) std::abort();
      if (reply.failed() != reply.errorText().startsWith(QLatin1String("Fehler: "))) std::abort();
      WalkValues(reply.root());
    } catch (const kairon::CommandError& e) {
      if (!e.text().startsWith(QStringLiteral("Ungültige Antwort des Servers: "))) std::abort();
    }
  }
  return 0;
}
