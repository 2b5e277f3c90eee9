#pragma once

#include <QString>
#include <stdexcept>

namespace kairon {

// A command error: the command stops and its German text reaches the user
// through the general error display (see RunCommand). Nothing done before
// the raise is undone.
class CommandError : public std::runtime_error {
 public:
  explicit CommandError(const QString& text);
  const QString& text() const noexcept { return text_; }

 private:
  QString text_;
};

// A text that is not a number where one was expected.
class ConversionError : public CommandError {
 public:
  using CommandError::CommandError;
};

// A statement or query of the local database failed; carries the database's text.
class DatabaseError : public CommandError {
 public:
  using CommandError::CommandError;
};

}  // namespace kairon
