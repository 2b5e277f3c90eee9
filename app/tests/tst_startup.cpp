#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "app/startup.h"
#include "common/errors.h"
#include "common/global.h"
#include "store/dmMain.h"
#include "sync/session.h"
#include "tests/support/fakemainview.h"
#include "tests/support/scriptedprompter.h"
#include "tests/support/tempdatabase.h"
#include "workspace/workspace.h"

using namespace kairon;
using namespace kairon::test;
using Kind = ScriptedPrompter::Kind;

namespace {

const QString kNoConfig = QStringLiteral("Konfiguration konnte nicht ausgelesen werden!\r\nProgramm wird beendet!");

struct FakeApp : IAppControl {
  int terminated = 0;
  int closeRequests = 0;
  bool closed = false;
  std::function<bool()> closeQuery;
  void terminate() override { ++terminated; }
  void closeMainWindow() override {
    ++closeRequests;
    if (closeQuery && closeQuery()) closed = true;
  }
};

// One start-up against a fixture database; the database layer of the
// fixture is reused as the program's connection.
struct Harness {
  TempDatabase db;
  FakeMainView view;
  ScriptedPrompter prompter;
  FakeApp app;
  AuthSession auth;
  TimeWorkspace ws{db.dm(), prompter, view};
  Startup startup{db.dm(), ws, auth, prompter, app};
  int authCalls = 0;

  Harness() {
    app.closeQuery = [this] { return startup.FormCloseQuery(); };
  }
  void create() { QVERIFY(startup.FormCreate(db.path())); }
  void fillMasterData() {
    db.insertPlaceholders();
    db.exec(QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES (1, 'Alpha')"));
  }
  void setToken(const QString& token) {
    db.exec(QStringLiteral("UPDATE tblConfig SET fieldvalue = '%1' WHERE id = 101").arg(EncodeDecimalText(token)));
  }
};

}  // namespace

class TestStartup : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

  void databasePathBesideProgram_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("database");
    QTest::newRow("no extension") << QStringLiteral("/opt/kairon/kairon") << QStringLiteral("/opt/kairon/kairon.db3");
    QTest::newRow("exe") << QStringLiteral("/x/X.exe") << QStringLiteral("/x/X.db3");
    QTest::newRow("dotted folder") << QStringLiteral("/a.b/kairon") << QStringLiteral("/a.b/kairon.db3");
  }
  void databasePathBesideProgram() {
    QFETCH(QString, program);
    QFETCH(QString, database);
    QCOMPARE(Startup::DatabasePathFor(program), database);
  }

  void missingDatabaseEndsWithoutCreatingIt() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kairon.db3"));
    TDataModuleMain dm;
    FakeMainView view;
    ScriptedPrompter prompter;
    FakeApp app;
    AuthSession auth;
    TimeWorkspace ws(dm, prompter, view);
    Startup startup(dm, ws, auth, prompter, app);
    QVERIFY(!startup.FormCreate(path));
    QCOMPARE(prompter.shown.size(), 1);
    QCOMPARE(prompter.shown[0].kind, Kind::Error);
    QCOMPARE(prompter.shown[0].text,
             QStringLiteral("Lokale Datenbank wurde nicht gefunden!\r\nProgramm wird beendet!"));
    QCOMPARE(app.terminated, 1);
    QVERIFY(!QFileInfo::exists(path));
    // The start-up step never runs after a failed creation.
    startup.Timer1Timer();
    QCOMPARE(prompter.shown.size(), 1);
  }

  void createSetsUpTheWindowState() {
    Harness h;
    h.view.showAll = true;
    h.ws.intModus = wmEdit;
    h.create();
    QCOMPARE(h.ws.dtDatum, QDate::currentDate());
    QVERIFY(!h.view.showAll);
    QCOMPARE(h.ws.intModus, int(wmShow));
    QCOMPARE(h.ws.intEntryID, qint64(-1));
    QCOMPARE(h.view.modeLabel, QStringLiteral("ZEIGEN"));
    QVERIFY(h.view.enabled[ModeCommand::New]);
    QVERIFY(!h.view.enabled[ModeCommand::Save]);
    QCOMPARE(h.startup.state(), Startup::State::Waiting);
  }

  void faultyConfigurationEnds_data() {
    QTest::addColumn<QString>("setup");
    QTest::newRow("empty tblConfig") << QStringLiteral("DELETE FROM tblConfig");
    QTest::newRow("empty url") << QStringLiteral("UPDATE tblConfig SET fieldvalue = '' WHERE fielddesc = 'url'");
    QTest::newRow("only authkey") << QStringLiteral("DELETE FROM tblConfig WHERE fielddesc = 'url'");
    QTest::newRow("url name differs in case") << QStringLiteral("UPDATE tblConfig SET fielddesc = 'URL' WHERE id = 1");
    QTest::newRow("url name with blank") << QStringLiteral("UPDATE tblConfig SET fielddesc = 'url ' WHERE id = 1");
    QTest::newRow("later url row empty") << QStringLiteral(
        "INSERT INTO tblConfig (id, fielddesc, fieldvalue) VALUES (200, 'url', '')");
  }
  void faultyConfigurationEnds() {
    QFETCH(QString, setup);
    Harness h;
    h.db.exec(setup);
    h.create();
    h.startup.Timer1Timer();
    QCOMPARE(h.prompter.texts(), QStringList{kNoConfig});
    QCOMPARE(h.prompter.shown[0].kind, Kind::Error);
    QCOMPARE(h.app.terminated, 1);
    QCOMPARE(h.startup.state(), Startup::State::Ending);
    QCOMPARE(h.view.ribbonPage, 0);
    // The program ends without asking, whatever the mode.
    h.ws.intModus = wmNew;
    QVERIFY(h.startup.FormCloseQuery());
  }

  void laterUrlRowWins() {
    Harness h;
    h.db.exec(QStringLiteral("INSERT INTO tblConfig (id, fielddesc, fieldvalue) VALUES (5, 'url', 'https://zweite/')"));
    h.fillMasterData();
    h.setToken(QStringLiteral("tok"));
    h.create();
    h.startup.Timer1Timer();
    QCOMPARE(h.ws.strURL, QStringLiteral("https://zweite/"));
    QCOMPARE(h.startup.state(), Startup::State::Ready);
  }

  void storedTokenSkipsSignIn() {
    Harness h;
    h.fillMasterData();
    h.setToken(QStringLiteral("abc&123"));
    h.startup.authenticate = [&] { ++h.authCalls; };
    h.create();
    QCOMPARE(h.view.ribbonPage, 0);
    h.startup.Timer1Timer();
    QCOMPARE(h.authCalls, 0);
    QCOMPARE(h.ws.strToken, QStringLiteral("abc&123"));
    QCOMPARE(h.prompter.shown.size(), 0);
    QCOMPARE(h.view.ribbonPage, 1);
    QCOMPARE(h.view.startPanelShownCount, 1);
    QVERIFY(!h.view.startPanelVisible);
    QCOMPARE(h.ws.lbProjectID.count(), 2);
    QCOMPARE(h.view.dateLabel.right(10), QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
    QCOMPARE(h.view.statusCount, QStringLiteral("0 Einträge"));
    QCOMPARE(h.startup.state(), Startup::State::Ready);
    // The step runs once only.
    h.startup.Timer1Timer();
    QCOMPARE(h.view.startPanelShownCount, 1);
  }

  void cancelledSignInEndsSilently() {
    Harness h;
    h.fillMasterData();
    h.startup.authenticate = [&] {
      ++h.authCalls;
      h.auth.intLoginAttempts = 4;  // a cancelled dialog
    };
    h.create();
    h.startup.Timer1Timer();
    QCOMPARE(h.authCalls, 1);
    QCOMPARE(h.prompter.shown.size(), 0);
    QCOMPARE(h.app.terminated, 1);
    QCOMPARE(h.view.startPanelShownCount, 0);
  }

  void signInLoopStopsAfterThreeAttempts() {
    Harness h;
    h.fillMasterData();
    QList<int> countersSeen;
    h.startup.authenticate = [&] {
      countersSeen << h.auth.intLoginAttempts;
      ++h.auth.intLoginAttempts;  // a confirmed dialog whose request failed
    };
    h.create();
    h.startup.Timer1Timer();
    QCOMPARE(countersSeen, (QList<int>{1, 2, 3}));
    QCOMPARE(h.app.terminated, 1);
  }

  void signInSucceedsOnSecondAttempt() {
    Harness h;
    h.fillMasterData();
    h.startup.authenticate = [&] {
      ++h.auth.intLoginAttempts;
      if (h.auth.intLoginAttempts == 3) h.ws.strToken = QStringLiteral("neu");
    };
    h.create();
    h.startup.Timer1Timer();
    QCOMPARE(h.auth.intLoginAttempts, 3);
    QCOMPARE(h.app.terminated, 0);
    QCOMPARE(h.startup.state(), Startup::State::Ready);
    QCOMPARE(h.view.ribbonPage, 1);
  }

  void signInErrorStopsHalfWay() {
    Harness h;
    h.fillMasterData();
    h.startup.authenticate = [&] {
      ++h.auth.intLoginAttempts;
      throw CommandError(QStringLiteral("Fehler: 1 - abgelehnt"));
    };
    h.create();
    h.startup.Timer1Timer();
    QCOMPARE(h.prompter.texts(Kind::CommandError), QStringList{QStringLiteral("Fehler: 1 - abgelehnt.")});
    QCOMPARE(h.startup.state(), Startup::State::StoppedHalfWay);
    QCOMPARE(h.app.terminated, 0);
    QCOMPARE(h.view.ribbonPage, 0);
    QCOMPARE(h.ws.lbProjectID.count(), 0);
    QVERIFY(h.startup.FormCloseQuery());
  }

  void badStoredTokenStopsHalfWay() {
    Harness h;
    h.fillMasterData();
    h.db.exec(QStringLiteral("UPDATE tblConfig SET fieldvalue = '06X' WHERE id = 101"));
    h.startup.authenticate = [&] { ++h.authCalls; };
    h.create();
    h.startup.Timer1Timer();
    QCOMPARE(h.authCalls, 0);
    QCOMPARE(h.prompter.shown.size(), 1);
    QCOMPARE(h.prompter.shown[0].kind, Kind::CommandError);
    QVERIFY(h.prompter.shown[0].text.contains(QStringLiteral("06X")));
    QCOMPARE(h.startup.state(), Startup::State::StoppedHalfWay);
    QCOMPARE(h.view.ribbonPage, 0);
  }

  void missingConfigTableStopsHalfWay() {
    Harness h;
    h.db.exec(QStringLiteral("DROP TABLE tblConfig"));
    h.create();
    h.startup.Timer1Timer();
    QCOMPARE(h.prompter.texts(Kind::CommandError).size(), 1);
    QVERIFY(h.prompter.texts(Kind::CommandError)[0].contains(QStringLiteral("tblConfig")));
    QCOMPARE(h.startup.state(), Startup::State::StoppedHalfWay);
    QCOMPARE(h.app.terminated, 0);
  }

  void emptyMasterTablesGiveFourMessagesInOrder() {
    Harness h;
    h.setToken(QStringLiteral("t"));
    h.create();
    h.startup.Timer1Timer();
    const QString tail = QStringLiteral(" lokal gefunden werden!\r\nAktualisieren Sie Ihre Daten mit dem Server!");
    QCOMPARE(h.prompter.texts(Kind::Info), (QStringList{QStringLiteral("Es konnten keine Mandate/Mandaten") + tail,
                                                        QStringLiteral("Es konnten keine Akten") + tail,
                                                        QStringLiteral("Es konnten keine Aktivitäten") + tail,
                                                        QStringLiteral("Es konnten keine PracticeGroups") + tail}));
    QCOMPARE(h.prompter.shown.size(), 4);
    QCOMPARE(h.startup.state(), Startup::State::Ready);
    QCOMPARE(h.view.ribbonPage, 1);
  }

  void closeCheck_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("closes");
    QTest::newRow("show") << int(wmShow) << false << false << true;
    QTest::newRow("new, no") << int(wmNew) << false << true << false;
    QTest::newRow("new, yes") << int(wmNew) << true << true << true;
    QTest::newRow("edit, no") << int(wmEdit) << false << true << false;
    QTest::newRow("edit, yes") << int(wmEdit) << true << true << true;
  }
  void closeCheck() {
    QFETCH(int, mode);
    QFETCH(bool, answer);
    QFETCH(bool, asked);
    QFETCH(bool, closes);
    Harness h;
    h.create();
    h.ws.intModus = mode;
    h.prompter.answers = {answer};
    QCOMPARE(h.startup.FormCloseQuery(), closes);
    QCOMPARE(h.prompter.texts(Kind::Confirm).size(), asked ? 1 : 0);
    if (asked)
      QCOMPARE(h.prompter.texts(Kind::Confirm)[0],
               QStringLiteral("Daten sind noch nicht gespeichert!\r\nWollen Sie das Programm beenden?"));
  }

  void exitRefusedKeepsEditMode() {
    Harness h;
    h.create();
    h.view.texts[FormField::memoActivity] = QStringLiteral("ungespeichert");
    h.ws.intModus = wmEdit;
    h.ws.SetWorkMode(wmEdit);
    h.view.modeLabel.clear();
    h.prompter.answers = {false};
    h.startup.actExitExecute();
    QCOMPARE(h.app.closeRequests, 1);
    QVERIFY(!h.app.closed);
    QCOMPARE(h.ws.intModus, int(wmEdit));
    QCOMPARE(h.view.modeLabel, QStringLiteral("BEARBEITEN"));
    QVERIFY(h.view.enabled[ModeCommand::Save]);
    QVERIFY(!h.view.enabled[ModeCommand::New]);
    QCOMPARE(h.view.texts[FormField::memoActivity], QStringLiteral("ungespeichert"));
  }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
