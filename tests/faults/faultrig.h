#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <functional>

#include "common/prompter.h"
#include "sync/serversync.h"
#include "sync/session.h"
#include "tests/support/fakemainview.h"
#include "tests/support/scriptedprompter.h"
#include "tests/support/tempdatabase.h"
#include "workspace/workspace.h"

struct sqlite3;

namespace kairon::test {

// Counts the wait cursor: after a command it must be back to normal.
struct CountingBusy : IBusyIndicator {
  int waiting = 0;
  int events = 0;
  void beginWait() override { ++waiting; }
  void endWait() override { --waiting; }
  void processEvents() override { ++events; }
};

// Answers the login dialog from a script; confirmed with user/secret by default.
struct ScriptedLogin : ILoginPrompt {
  int asked = 0;
  Result ask(const QString&, const QString&) override {
    ++asked;
    return {true, QStringLiteral("user"), QStringLiteral("secret")};
  }
};

// The logic of the main window on a temporary database, with the sync commands.
struct SyncRig {
  explicit SyncRig(const QString& url = QStringLiteral("http://127.0.0.1:1/"));

  // Runs a command the way the window does (through RunCommand) after
  // forgetting earlier messages. True when it ran to its end.
  bool run(const std::function<void()>& command);
  // Every message the command showed, of any kind.
  QStringList messages() const { return prompter.texts(); }

  // A few rows in every master table and three pending, complete entries.
  void seed();
  // Stores a token in row 101 and in the window's state.
  void signIn(const QString& token = QStringLiteral("tok"));
  // Short time-outs for the network cases.
  void shortTimeouts(long connectMs = 2000, long stallSeconds = 2);

  TempDatabase db;
  FakeMainView view;
  ScriptedPrompter prompter;
  CountingBusy busy;
  ScriptedLogin login;
  AuthSession auth;
  TimeWorkspace ws;
  TServerSync sync;
};

// Every row of every table as text, values with their storage class and their
// exact bytes, so that any change at all shows as a difference.
QString DumpTables(::sqlite3* db);
QString DumpTable(::sqlite3* db, const QString& table);
inline QString DumpTables(TDataModuleMain& dm) {
  return DumpTables(dm.handle());
}

// The text of the general error display for a command error.
inline QString Shown(const QString& commandError) {
  return GeneralErrorText(commandError);
}

}  // namespace kairon::test
