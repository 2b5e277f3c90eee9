#pragma once

#include <QString>
#include <functional>

namespace kairon {

class IPrompter;
class TDataModuleMain;
class TimeWorkspace;
struct AuthSession;

// What the start-up and shutdown need of the application and its window.
class IAppControl {
 public:
  virtual ~IAppControl() = default;
  // Tells the event loop to stop; the window then closes without the close check.
  virtual void terminate() = 0;
  // Asks the main window to close; this runs FormCloseQuery.
  virtual void closeMainWindow() = 0;
};

// Start-up, configuration and shutdown of the main window.
class Startup {
 public:
  enum class State { Created, Waiting, ReadingConfiguration, Authenticating, Loading, Ready, StoppedHalfWay, Ending };

  Startup(TDataModuleMain& dm, TimeWorkspace& ws, AuthSession& auth, IPrompter& prompter, IAppControl& app);

  // The sign-in command; runs one login dialog and request per call.
  std::function<void()> authenticate;

  // The database beside the program: its path with the extension ".db3".
  static QString DatabasePathFor(const QString& programPath);

  // Opens the database and sets up the window's state. On failure shows the
  // message, ends the program and answers false.
  bool FormCreate(const QString& databasePath);
  // The one-shot start-up step. Errors reach the general error display and
  // leave the program stopped half-way.
  void Timer1Timer();
  // Whether the window may close now.
  bool FormCloseQuery();
  void actExitExecute();

  State state() const { return state_; }

 private:
  void runStartupStep();
  void endProgram();

  TDataModuleMain& dm_;
  TimeWorkspace& ws_;
  AuthSession& auth_;
  IPrompter& prompter_;
  IAppControl& app_;
  State state_ = State::Created;
  bool timerRan_ = false;
};

}  // namespace kairon
