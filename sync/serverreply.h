#pragma once

#include <QString>
#include <nlohmann/json.hpp>

namespace kairon {

using Json = nlohmann::ordered_json;

// Deepest nesting of arrays and objects a reply may have.
inline constexpr int kMaxReplyDepth = 64;

// The text of a JSON value: a string's characters; a number as up to 15
// significant digits with the user's decimal separator (an integer of up to
// 15 digits as its plain digits); empty text for true, false, null, objects
// and arrays.
QString JsonValueText(const Json& value);

// The i-th member of an object or element of an array (by position), or nullptr.
const Json* MemberAt(const Json& container, std::size_t i);
// The first member of that name of an object, or nullptr.
const Json* MemberNamed(const Json& object, const char* name);

// A reply of the server: a JSON object with "error" and "data".
class ServerReply {
 public:
  // Parses the reply text. A text that is not a JSON object, is nested too
  // deeply, or whose "error" is missing, not an object or empty, throws a
  // CommandError with a German message. In objects a later member with the
  // name of an earlier one is kept at its position but can't be found by name.
  static ServerReply Parse(const QString& text);

  // "error" holds true at position 0 and at least one more member.
  bool failed() const { return failed_; }
  // "Fehler: " + second + " - " + third + further members; empty unless failed.
  const QString& errorText() const { return errorText_; }
  const Json& error() const { return *MemberNamed(root_, "error"); }
  // "data", or nullptr when the reply has none.
  const Json* data() const { return MemberNamed(root_, "data"); }
  const Json& root() const { return root_; }

 private:
  Json root_;
  bool failed_ = false;
  QString errorText_;
};

// The message for a reply of the wrong shape: "Ungültige Antwort des Servers: " + detail.
QString BadReplyText(const QString& detail);

}  // namespace kairon
