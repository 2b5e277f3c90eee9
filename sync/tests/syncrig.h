#pragma once

#include <QLocale>
#include <QTest>
#include <functional>

#include "common/prompter.h"
#include "sync/serversync.h"
#include "sync/session.h"
#include "tests/support/fakemainview.h"
#include "tests/support/loopbackserver.h"
#include "tests/support/scriptedprompter.h"
#include "tests/support/tempdatabase.h"
#include "workspace/workspace.h"

namespace kairon::test {

// The login dialog, answering from a script and recording what it was shown.
struct ScriptedLogin : ILoginPrompt {
  QList<Result> answers;
  QStringList errorTexts;
  QStringList users;
  Result ask(const QString& errorText, const QString& user) override {
    errorTexts << errorText;
    users << user;
    return answers.isEmpty() ? Result{} : answers.takeFirst();
  }
  void answer(const QString& user, const QString& password) { answers.append({true, user, password}); }
};

// A workspace on a temporary database, talking to a loopback server.
struct SyncRig {
  explicit SyncRig(bool tls = false)
      : server(tls), db(server.url()), ws(db.dm(), prompter, view), sync(ws, auth, busy, login) {
    ws.strURL = server.url();
  }

  // Runs a command as the window does; answers the general error display's text, or empty.
  QString run(const std::function<void()>& command) {
    const qsizetype before = prompter.shown.size();
    if (RunCommand(prompter, command)) return QString();
    const auto& last = prompter.shown.value(prompter.shown.size() - 1);
    if (prompter.shown.size() == before || last.kind != ScriptedPrompter::Kind::CommandError)
      return QStringLiteral("<no command error shown>");
    return last.text;
  }

  void reply(const QByteArray& json) { server.enqueue(LoopbackServer::Reply(json)); }
  QByteArray lastBody() const { return server.requests().value(server.requests().size() - 1).body; }

  LoopbackServer server;
  TempDatabase db;
  FakeMainView view;
  ScriptedPrompter prompter;
  TimeWorkspace ws;
  AuthSession auth;
  NullBusyIndicator busy;
  ScriptedLogin login;
  TServerSync sync;
};

inline void PinGermanLocale() {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

}  // namespace kairon::test
