// Servers that fail: one that refuses the connection, one that accepts and
// never answers, one that sends half a reply and hangs up, and slow ones.
// Each command ends in its own failure message within the (shortened)
// time-outs, the wait cursor is gone, and nothing is marked, replaced or stored.
#include <QElapsedTimer>
#include <QLocale>
#include <QTest>

#include "tests/faults/faultrig.h"
#include "tests/faults/faultserver.h"

namespace kairon::test {

namespace {

const QByteArray kProjectsReply = R"({"error":{"state":false},"data":[{"id":20,"name":"Neu"}]})";
const QByteArray kUploadReply = R"({"error":{"state":false},"data":{"x":0,"ok":3,"bad":0,"failed":[]}})";
const QByteArray kSignInReply = R"({"error":{"state":false},"data":{"token":"neu"}})";

enum class Command { SignIn, Projects, Upload };
enum class Fault { Refused, Silent, Half, Slow, Endless };

const QString kRefused = QStringLiteral("Keine Verbindung zum Server möglich!");
const QString kTimedOut = QStringLiteral("Zeitüberschreitung: Der Server antwortet nicht!");
const QString kCut = QStringLiteral("Die Verbindung zum Server wurde unterbrochen!");

}  // namespace

class TestFaultsNetwork : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

  void failingServer_data() {
    QTest::addColumn<Command>("command");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("message");
    const struct {
      const char* name;
      Fault fault;
      QString message;
    } faults[] = {
// The cases that wait for the stall time-out run in binaries of their own.
#if KAIRON_STALLING_SERVERS == 1
      {"silent", Fault::Silent, kTimedOut},
#elif KAIRON_STALLING_SERVERS == 2
      {"slow", Fault::Slow, kTimedOut},
#else
      {"refused", Fault::Refused, kRefused},
      {"half reply", Fault::Half, kCut},
      {"endless", Fault::Endless, kTimedOut},
#endif
    };
    const struct {
      const char* name;
      Command command;
    } commands[] = {{"sign-in", Command::SignIn}, {"projects", Command::Projects}, {"upload", Command::Upload}};
    for (const auto& f : faults)
      for (const auto& c : commands)
        QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(QLatin1String(c.name), QLatin1String(f.name))))
            << c.command << f.fault << f.message;
  }

  void failingServer() {
    QFETCH(Command, command);
    QFETCH(Fault, fault);
    QFETCH(QString, message);

    const QByteArray reply = command == Command::SignIn     ? kSignInReply
                             : command == Command::Projects ? kProjectsReply
                                                            : kUploadReply;
    FaultServer server;
    switch (fault) {
      case Fault::Refused:
        break;
      case Fault::Silent:
        server.setHandler(FaultServer::Silent());
        break;
      case Fault::Half:
        server.setHandler(FaultServer::HalfThenClose(reply));
        break;
      case Fault::Slow:
        // The whole reply, but a byte only every 1.5 s: slower than the stall limit.
        server.setHandler(FaultServer::Drip(reply, 1500));
        break;
      case Fault::Endless:
        // Fast enough never to stall, and never finished: only the total time-out ends it.
        server.setHandler(FaultServer::Drip(reply.left(reply.size() - 1) + QByteArray(100000, ' '), 50));
        break;
    }
    const QString url =
        fault == Fault::Refused ? QStringLiteral("http://127.0.0.1:%1/").arg(ClosedPort()) : server.url();
    SyncRig rig(url);
    rig.seed();
    rig.signIn(QStringLiteral("alt"));
    rig.shortTimeouts(2000, 1);
    // Only the endless reply is left to the total time-out; the others must end by the stall time-out.
    if (fault == Fault::Endless) rig.sync.exchange().settings.totalTimeoutSeconds = 2;
    const QString before = DumpTables(rig.db.dm());

    QElapsedTimer clock;
    clock.start();
    bool completed = false;
    switch (command) {
      case Command::SignIn:
        completed = rig.run([&] { rig.sync.actAuthenticateExecute(); });
        break;
      case Command::Projects:
        completed = rig.run([&] { rig.sync.actGetProjectExecute(); });
        break;
      case Command::Upload:
        completed = rig.run([&] { rig.sync.actTransmitExecute(); });
        break;
    }
    const qint64 elapsed = clock.elapsed();
    // Well within the default stall time-out of 30 s: the shortened one ended it
    // (curl judges the speed over a few seconds, so a 1 s stall limit takes up to about 7 s).
    QVERIFY2(elapsed < 12000, qPrintable(QStringLiteral("took %1 ms").arg(elapsed)));
    if (command == Command::SignIn) {
      // Sign-in shows a transport failure in a plain box and returns.
      QVERIFY(completed);
      QCOMPARE(rig.prompter.texts(ScriptedPrompter::Kind::Plain), QStringList{message});
    } else {
      QVERIFY(!completed);
      QCOMPARE(rig.prompter.texts(ScriptedPrompter::Kind::CommandError), QStringList{Shown(message)});
    }
    QCOMPARE(rig.busy.waiting, 0);
    QCOMPARE(rig.ws.strToken, QStringLiteral("alt"));
    QCOMPARE(DumpTables(rig.db.dm()), before);
    if (fault != Fault::Refused) QCOMPARE(server.requestCount(), 1);
  }
};

}  // namespace kairon::test

QTEST_GUILESS_MAIN(kairon::test::TestFaultsNetwork)
#include "tst_faults_network.moc"
