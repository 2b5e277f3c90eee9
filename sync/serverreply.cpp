#include "sync/serverreply.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>
#include <cmath>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/errors.h"

namespace kairon {

namespace {

// Builds the value tree without recursion and without losing members: a member
// whose name repeats an earlier one of the same object is stored under an
// altered name, so positions stay true and lookups by name find the first.
class ReplyBuilder : public nlohmann::json_sax<Json> {
 public:
  Json root;
  bool tooDeep = false;

  bool null() override { return value(Json(nullptr)); }
  bool boolean(bool v) override { return value(Json(v)); }
  bool number_integer(number_integer_t v) override { return value(Json(v)); }
  bool number_unsigned(number_unsigned_t v) override { return value(Json(v)); }
  bool number_float(number_float_t v, const string_t&) override { return value(Json(v)); }
  bool string(string_t& v) override { return value(Json(std::move(v))); }
  bool binary(binary_t&) override { return false; }

  bool start_object(std::size_t) override { return open(Json::object()); }
  bool start_array(std::size_t) override { return open(Json::array()); }
  bool end_object() override { return close(); }
  bool end_array() override { return close(); }

  bool key(string_t& name) override {
    Names& names = names_.back();
    if (names.seen.insert(name).second) {
      key_ = name;
      return true;
    }
    // Repeated: the next free altered name, counting on from the last one used.
    int& n = names.repeats[name];
    std::string unique;
    do unique = name + std::string(1, '\0') + std::to_string(++n);
    while (!names.seen.insert(unique).second);
    key_ = std::move(unique);
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

 private:
  Json* add(Json&& value) {
    if (stack_.empty()) {
      root = std::move(value);
      return &root;
    }
    Json* parent = stack_.back();
    if (parent->is_array()) {
      auto& arr = parent->get_ref<Json::array_t&>();
      arr.push_back(std::move(value));
      return &arr.back();
    }
    // Appended directly: the map's own insert looks for the name first, which
    // makes large objects quadratic; the names are unique already.
    auto& members = static_cast<Json::object_t::Container&>(parent->get_ref<Json::object_t&>());
    members.emplace_back(std::move(key_), std::move(value));
    return &members.back().second;
  }
  bool value(Json&& v) {
    add(std::move(v));
    return true;
  }
  bool open(Json&& container) {
    if (int(stack_.size()) >= kMaxReplyDepth) {
      tooDeep = true;
      return false;
    }
    stack_.push_back(add(std::move(container)));
    names_.emplace_back();
    return true;
  }
  bool close() {
    stack_.pop_back();
    names_.pop_back();
    return true;
  }
  std::vector<Json*> stack_;
  struct Names {
    std::unordered_set<std::string> seen;
    std::unordered_map<std::string, int> repeats;
  };
  std::vector<Names> names_;
  std::string key_;
};

QString GeneralNumberText(double v) {
  if (v == 0.0) return QStringLiteral("0");
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  QString text = locale.toString(v, 'g', 15);
  // Exponents as "E15" and "E-7".
  static const QRegularExpression exponentRe(QStringLiteral("[eE]([+-])0*([0-9]+)$"));
  const QRegularExpressionMatch m = exponentRe.match(text);
  if (m.hasMatch()) {
    const QString sign = m.captured(1) == QLatin1String("-") ? QStringLiteral("-") : QString();
    text = text.left(m.capturedStart()) + QLatin1Char('E') + sign + m.captured(2);
  }
  return text;
}

}  // namespace

QString JsonValueText(const Json& value) {
  switch (value.type()) {
    case Json::value_t::string: {
      // A leading U+FEFF belongs to the text; fromStdString would drop it as a byte-order mark.
      QStringDecoder decoder(QStringConverter::Utf8,
                             QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
      return decoder.decode(QByteArrayView(value.get_ref<const Json::string_t&>()));
    }
    case Json::value_t::number_integer: {
      const auto n = value.get<Json::number_integer_t>();
      if (n > -1000000000000000LL && n < 1000000000000000LL) return QString::number(n);
      return GeneralNumberText(double(n));
    }
    case Json::value_t::number_unsigned: {
      const auto n = value.get<Json::number_unsigned_t>();
      if (n < 1000000000000000ULL) return QString::number(n);
      return GeneralNumberText(double(n));
    }
    case Json::value_t::number_float:
      return GeneralNumberText(value.get<Json::number_float_t>());
    default:
      return QString();
  }
}

const Json* MemberAt(const Json& container, std::size_t i) {
  if (container.is_array()) {
    const auto& arr = container.get_ref<const Json::array_t&>();
    return i < arr.size() ? &arr[i] : nullptr;
  }
  if (container.is_object()) {
    const auto& obj = container.get_ref<const Json::object_t&>();
    return i < obj.size() ? &(obj.begin() + std::ptrdiff_t(i))->second : nullptr;
  }
  return nullptr;
}

const Json* MemberNamed(const Json& object, const char* name) {
  if (!object.is_object()) return nullptr;
  for (const auto& member : object.get_ref<const Json::object_t&>())
    if (member.first == name) return &member.second;
  return nullptr;
}

QString BadReplyText(const QString& detail) {
  return QStringLiteral("Ungültige Antwort des Servers: ") + detail;
}

ServerReply ServerReply::Parse(const QString& text) {
  ReplyBuilder builder;
  const std::string bytes = text.toStdString();
  const bool ok = Json::sax_parse(bytes, &builder, nlohmann::detail::input_format_t::json, true);
  if (builder.tooDeep) throw CommandError(BadReplyText(QStringLiteral("Die Antwort ist zu tief verschachtelt!")));
  if (!ok || !builder.root.is_object())
    throw CommandError(BadReplyText(QStringLiteral("Die Antwort ist kein JSON-Objekt!")));

  ServerReply reply;
  reply.root_ = std::move(builder.root);
  const Json* error = MemberNamed(reply.root_, "error");
  if (!error || !error->is_object())
    throw CommandError(BadReplyText(QStringLiteral("Das Element \"error\" fehlt oder ist kein Objekt!")));
  if (error->empty()) throw CommandError(BadReplyText(QStringLiteral("Das Element \"error\" ist leer!")));

  const Json& flag = *MemberAt(*error, 0);
  if (flag.is_boolean() && flag.get<bool>() && error->size() >= 2) {
    reply.failed_ = true;
    reply.errorText_ = QStringLiteral("Fehler: ") + JsonValueText(*MemberAt(*error, 1));
    if (error->size() >= 3) reply.errorText_ += QStringLiteral(" - ") + JsonValueText(*MemberAt(*error, 2));
    for (std::size_t i = 3; i < error->size(); ++i) reply.errorText_ += JsonValueText(*MemberAt(*error, i));
  }
  return reply;
}

}  // namespace kairon
