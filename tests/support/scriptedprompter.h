#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "common/prompter.h"

namespace kairon::test {

// Records every message box the logic shows and answers confirmations from a script.
class ScriptedPrompter : public IPrompter {
 public:
  enum class Kind { Error, Info, Confirm, Plain, CommandError };
  struct Shown {
    Kind kind;
    QString text;
  };

  void showError(const QString& text) override { shown.append({Kind::Error, text}); }
  void showInfo(const QString& text) override { shown.append({Kind::Info, text}); }
  bool confirm(const QString& text) override {
    shown.append({Kind::Confirm, text});
    if (answers.isEmpty()) return defaultAnswer;
    return answers.takeFirst();
  }
  void showPlain(const QString& text) override { shown.append({Kind::Plain, text}); }
  void showCommandError(const QString& text) override { shown.append({Kind::CommandError, text}); }

  QStringList texts() const {
    QStringList out;
    for (const auto& s : shown) out << s.text;
    return out;
  }
  QStringList texts(Kind kind) const {
    QStringList out;
    for (const auto& s : shown)
      if (s.kind == kind) out << s.text;
    return out;
  }
  void clear() { shown.clear(); }

  QList<Shown> shown;
  QList<bool> answers;
  bool defaultAnswer = true;
};

}  // namespace kairon::test
