#include "common/prompter.h"

#include <exception>

#include "common/errors.h"

namespace kairon {

QString GeneralErrorText(const QString& text) {
  if (!text.isEmpty() && text.back().unicode() > QChar(u'.').unicode()) return text + QLatin1Char('.');
  return text;
}

bool RunCommand(IPrompter& prompter, const std::function<void()>& command) {
  try {
    command();
    return true;
  } catch (const CommandError& e) {
    prompter.showCommandError(GeneralErrorText(e.text()));
  } catch (const std::exception& e) {
    prompter.showCommandError(GeneralErrorText(QString::fromLocal8Bit(e.what())));
  } catch (...) {
    prompter.showCommandError(QStringLiteral("Unbekannter Fehler."));
  }
  return false;
}

}  // namespace kairon
