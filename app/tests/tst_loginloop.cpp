// The start-up sign-in loop with the real sign-in command, against a loopback server.
#include <QLocale>
#include <QTest>

#include "app/startup.h"
#include "common/global.h"
#include "common/prompter.h"
#include "store/dmMain.h"
#include "sync/serversync.h"
#include "sync/session.h"
#include "tests/support/fakemainview.h"
#include "tests/support/loopbackserver.h"
#include "tests/support/scriptedprompter.h"
#include "tests/support/tempdatabase.h"
#include "workspace/workspace.h"

using namespace kairon;
using namespace kairon::test;
using Kind = ScriptedPrompter::Kind;

namespace {

const QString kFailedLabel = QStringLiteral("Authentifizierung fehlgeschlagen!");

struct FakeApp : IAppControl {
  int terminated = 0;
  void terminate() override { ++terminated; }
  void closeMainWindow() override {}
};

struct ScriptedLogin : ILoginPrompt {
  QList<Result> answers;
  QStringList errorTexts;
  Result ask(const QString& errorText, const QString&) override {
    errorTexts << errorText;
    return answers.isEmpty() ? Result{} : answers.takeFirst();
  }
};

struct Loop {
  LoopbackServer server;
  TempDatabase db{server.url()};
  FakeMainView view;
  ScriptedPrompter prompter;
  FakeApp app;
  AuthSession auth;
  NullBusyIndicator busy;
  ScriptedLogin login;
  TimeWorkspace ws{db.dm(), prompter, view};
  TServerSync sync{ws, auth, busy, login};
  Startup startup{db.dm(), ws, auth, prompter, app};

  Loop() {
    db.insertPlaceholders();
    startup.authenticate = [this] { sync.actAuthenticateExecute(); };
  }
  void confirmEach(int n) {
    for (int i = 0; i < n; ++i) login.answers.append({true, QStringLiteral("demo"), QStringLiteral("pw")});
  }
  void start() {
    QVERIFY(startup.FormCreate(db.path()));
    startup.Timer1Timer();
  }
};

}  // namespace

class TestLoginLoop : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

  void cancelEndsTheProgram() {
    Loop l;
    l.login.answers.append(ILoginPrompt::Result{});
    l.start();
    QCOMPARE(l.login.errorTexts.size(), 1);
    QCOMPARE(l.app.terminated, 1);
    QCOMPARE(l.startup.state(), Startup::State::Ending);
    QVERIFY(l.prompter.shown.isEmpty());
    QVERIFY(l.server.requests().isEmpty());
  }

  void threeTransportFailuresEnd() {
    Loop l;
    l.server.setDefault(LoopbackServer::Reply("", "503 Service Unavailable"));
    l.confirmEach(5);
    l.start();
    QCOMPARE(l.login.errorTexts, (QStringList{QString(), kFailedLabel, kFailedLabel}));
    QCOMPARE(l.prompter.texts(Kind::Plain), QStringList(3, QStringLiteral("HTTP/1.1 503 Service Unavailable")));
    QCOMPARE(l.prompter.shown.size(), 3);
    QCOMPARE(l.server.requests().size(), 3);
    QCOMPARE(l.app.terminated, 1);
    QCOMPARE(l.startup.state(), Startup::State::Ending);
  }

  void replyWithoutTokenCountsAsAFailedAttempt() {
    Loop l;
    l.server.setDefault(LoopbackServer::Reply(R"({"error":{"s":false},"data":{"token":null}})"));
    l.confirmEach(5);
    l.start();
    QCOMPARE(l.login.errorTexts.size(), 3);
    QCOMPARE(l.prompter.texts(Kind::Error).size(), 3);
    QCOMPARE(l.app.terminated, 1);
  }

  void secondAttemptSignsIn() {
    Loop l;
    l.server.enqueue(LoopbackServer::Reply("", "500 Internal Server Error"));
    l.server.enqueue(LoopbackServer::Reply(R"({"error":{"s":false},"data":{"token":"Ab"}})"));
    l.confirmEach(3);
    l.start();
    QCOMPARE(l.login.errorTexts, (QStringList{QString(), kFailedLabel}));
    QCOMPARE(l.ws.strToken, QStringLiteral("Ab"));
    QCOMPARE(l.db.scalar(QStringLiteral("SELECT fieldvalue FROM tblConfig WHERE id = 101")).toString(),
             QStringLiteral("065098"));
    QCOMPARE(l.prompter.texts(Kind::Info).value(0), QStringLiteral("Authentifizierung erfolgreich abgeschlossen"));
    QCOMPARE(l.app.terminated, 0);
    QCOMPARE(l.startup.state(), Startup::State::Ready);
  }

  void rejectedSignInStopsHalfWay() {
    Loop l;
    l.server.enqueue(LoopbackServer::Reply(R"({"error":{"s":true,"c":401,"t":"Falsches Passwort"}})"));
    l.confirmEach(3);
    l.start();
    QCOMPARE(l.login.errorTexts.size(), 1);
    QCOMPARE(l.prompter.texts(Kind::CommandError), QStringList{QStringLiteral("Fehler: 401 - Falsches Passwort.")});
    QCOMPARE(l.app.terminated, 0);
    QCOMPARE(l.startup.state(), Startup::State::StoppedHalfWay);
  }

  void storedTokenSkipsTheDialog() {
    Loop l;
    l.db.exec(QStringLiteral("UPDATE tblConfig SET fieldvalue = '%1' WHERE id = 101")
                  .arg(EncodeDecimalText(QStringLiteral("gespeichert"))));
    l.start();
    QVERIFY(l.login.errorTexts.isEmpty());
    QVERIFY(l.server.requests().isEmpty());
    QCOMPARE(l.ws.strToken, QStringLiteral("gespeichert"));
    QCOMPARE(l.startup.state(), Startup::State::Ready);
  }
};

QTEST_GUILESS_MAIN(TestLoginLoop)
#include "tst_loginloop.moc"
