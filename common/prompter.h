#pragma once

#include <QString>
#include <functional>

namespace kairon {

// The application title: caption of the general error display and of plain messages.
inline const QString kAppTitle = QStringLiteral("Kairon Windows Client");

// The message boxes the logic can show. ui/ implements it with real boxes;
// tests implement it with a scripted fake.
class IPrompter {
 public:
  virtual ~IPrompter() = default;
  // Error box: caption "Fehler", error icon, button "OK".
  virtual void showError(const QString& text) = 0;
  // Information box: caption "Informationen", button "OK".
  virtual void showInfo(const QString& text) = 0;
  // Confirmation: caption "Bestätigen", buttons "Ja" and "Nein"; true for "Ja".
  virtual bool confirm(const QString& text) = 0;
  // Plain message: no icon, the application title as caption, button "OK".
  virtual void showPlain(const QString& text) = 0;
  // The general error display: the application title as caption, error icon,
  // "OK". The text is already final (see GeneralErrorText).
  virtual void showCommandError(const QString& text) = 0;
};

// Wait cursor and event processing around a blocking server request.
class IBusyIndicator {
 public:
  virtual ~IBusyIndicator() = default;
  virtual void beginWait() = 0;
  virtual void endWait() = 0;
  // Processes pending window events once.
  virtual void processEvents() = 0;
};

// A busy indicator that does nothing (logic without a window).
class NullBusyIndicator : public IBusyIndicator {
 public:
  void beginWait() override {}
  void endWait() override {}
  void processEvents() override {}
};

// The text the general error display shows: a "." is appended when the last
// character's code is above that of ".".
QString GeneralErrorText(const QString& text);

// Runs one command. A command error (or any other exception) is caught here,
// and only here, and shown by the general error display. Returns true when the
// command ran to its end.
bool RunCommand(IPrompter& prompter, const std::function<void()>& command);

}  // namespace kairon
