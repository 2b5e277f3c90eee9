// Sign-in: the dialog, the request, the stored token and every way it can fail.
#include "sync/tests/syncrig.h"

using kairon::test::ScriptedPrompter;
using kairon::test::SyncRig;
using Kind = kairon::test::ScriptedPrompter::Kind;

namespace kairon {

namespace {
const QString kFailedLabel = QStringLiteral("Authentifizierung fehlgeschlagen!");
const QString kNoToken =
    QStringLiteral("Der Server hat keinen Authentifikationskey zurückgegeben!\r\nAuthentifizierung nicht möglich!");

QString StoredKey(SyncRig& rig) {
  return rig.db.scalar(QStringLiteral("SELECT fieldvalue FROM tblConfig WHERE id = 101")).toString();
}
}  // namespace

class TestAuth : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { test::PinGermanLocale(); }

  void success() {
    SyncRig rig;
    rig.auth.intLoginAttempts = 1;
    rig.login.answer(QStringLiteral("mü ller&co=1"), QStringLiteral("a&b= ü+"));
    rig.reply(R"({"error":{"state":false,"code":0},"data":{"token":"Ab"}})");
    QCOMPARE(rig.run([&] { rig.sync.actAuthenticateExecute(); }), QString());
    QCOMPARE(rig.lastBody(), QByteArray("login=m%C3%BC%20ller%26co=1&pass=a%26b=%20%C3%BC%2B"));
    QCOMPARE(rig.ws.strToken, QStringLiteral("Ab"));
    QCOMPARE(StoredKey(rig), QStringLiteral("065098"));
    QCOMPARE(rig.prompter.texts(), QStringList{QStringLiteral("Authentifizierung erfolgreich abgeschlossen")});
    QCOMPARE(rig.prompter.shown[0].kind, Kind::Info);
    QCOMPARE(rig.auth.intLoginAttempts, 2);
    QCOMPARE(rig.auth.strLoginUser, QStringLiteral("mü ller&co=1"));
    QCOMPARE(rig.auth.strLoginPassword, QStringLiteral("a&b= ü+"));
    QCOMPARE(rig.login.errorTexts, QStringList{QString()});
  }

  void tokenAsNumber() {
    SyncRig rig;
    rig.login.answer(QStringLiteral("u"), QStringLiteral("p"));
    rig.reply(R"({"error":{"s":false},"data":{"t":12345,"x":"y"}})");
    QCOMPARE(rig.run([&] { rig.sync.actAuthenticateExecute(); }), QString());
    QCOMPARE(rig.ws.strToken, QStringLiteral("12345"));
    QCOMPARE(StoredKey(rig), QStringLiteral("049050051052053"));
  }

  void modeNotShow() {
    SyncRig rig;
    rig.ws.intModus = wmEdit;
    QCOMPARE(
        rig.run([&] { rig.sync.actAuthenticateExecute(); }),
        QStringLiteral("Sie befinden sich noch im Modus Neu oder Bearbeiten!\r\nAuthentifizierung nicht möglich!"));
    QVERIFY(rig.login.users.isEmpty());
    QVERIFY(rig.server.requests().isEmpty());
  }

  void cancel() {
    SyncRig rig;
    rig.db.exec(QStringLiteral("UPDATE tblConfig SET fieldvalue = '065' WHERE id = 101"));
    rig.ws.strToken = QStringLiteral("A");
    rig.auth.intLoginAttempts = 1;
    rig.auth.strLoginUser = QStringLiteral("vorher");
    QCOMPARE(rig.run([&] { rig.sync.actAuthenticateExecute(); }), QString());
    QCOMPARE(rig.login.users, QStringList{QStringLiteral("vorher")});
    QVERIFY(rig.ws.strToken.isEmpty());
    QCOMPARE(rig.auth.intLoginAttempts, 4);
    QVERIFY(rig.prompter.shown.isEmpty());
    QVERIFY(rig.server.requests().isEmpty());
    QCOMPARE(StoredKey(rig), QStringLiteral("065"));
  }

  void noTokenInReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("empty text") << QByteArray(R"({"error":{"s":false},"data":{"token":""}})");
    QTest::newRow("true") << QByteArray(R"({"error":{"s":false},"data":{"token":true}})");
    QTest::newRow("null") << QByteArray(R"({"error":{"s":false},"data":{"token":null}})");
    QTest::newRow("no member") << QByteArray(R"({"error":{"s":false},"data":{}})");
  }
  void noTokenInReply() {
    QFETCH(QByteArray, reply);
    SyncRig rig;
    rig.ws.strToken.clear();
    rig.auth.intLoginAttempts = 1;
    rig.login.answer(QStringLiteral("u"), QStringLiteral("p"));
    rig.reply(reply);
    QCOMPARE(rig.run([&] { rig.sync.actAuthenticateExecute(); }), QString());
    QCOMPARE(rig.prompter.texts(Kind::Error), QStringList{kNoToken});
    QVERIFY(rig.prompter.texts(Kind::Info).isEmpty());
    QVERIFY(rig.ws.strToken.isEmpty());
    QCOMPARE(StoredKey(rig), QString());
    QCOMPARE(rig.auth.intLoginAttempts, 2);
    QVERIFY(rig.auth.lastAttemptFailed);
  }

  void serverReportsFailure() {
    SyncRig rig;
    rig.ws.strToken = QStringLiteral("alt");
    rig.login.answer(QStringLiteral("u"), QStringLiteral("p"));
    rig.reply(R"({"error":{"s":true,"c":401,"t":"Benutzer unbekannt"},"data":{"token":"neu"}})");
    QCOMPARE(rig.run([&] { rig.sync.actAuthenticateExecute(); }), QStringLiteral("Fehler: 401 - Benutzer unbekannt."));
    QCOMPARE(rig.ws.strToken, QStringLiteral("alt"));
    QCOMPARE(StoredKey(rig), QString());
    QVERIFY(rig.auth.lastAttemptFailed);
  }

  void replyOfTheWrongShape_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("message");
    QTest::newRow("html") << QByteArray("<html>Wartung</html>")
                          << QStringLiteral("Ungültige Antwort des Servers: Die Antwort ist kein JSON-Objekt!");
    QTest::newRow("data array")
        << QByteArray(R"({"error":{"s":false},"data":["tok"]})")
        << QStringLiteral("Ungültige Antwort des Servers: Das Element \"data\" fehlt oder ist kein Objekt!");
  }
  void replyOfTheWrongShape() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, message);
    SyncRig rig;
    rig.login.answer(QStringLiteral("u"), QStringLiteral("p"));
    rig.reply(reply);
    QCOMPARE(rig.run([&] { rig.sync.actAuthenticateExecute(); }), message);
    QVERIFY(rig.ws.strToken.isEmpty());
    QCOMPARE(StoredKey(rig), QString());
  }

  void transportFailureIsAPlainMessage() {
    SyncRig rig;
    rig.ws.strToken = QStringLiteral("alt");
    rig.login.answer(QStringLiteral("u"), QStringLiteral("p"));
    rig.server.enqueue(test::LoopbackServer::Reply("nope", "500 Internal Server Error"));
    QCOMPARE(rig.run([&] { rig.sync.actAuthenticateExecute(); }), QString());
    QCOMPARE(rig.prompter.texts(Kind::Plain), QStringList{QStringLiteral("HTTP/1.1 500 Internal Server Error")});
    QCOMPARE(rig.ws.strToken, QStringLiteral("alt"));
    QVERIFY(rig.auth.lastAttemptFailed);
  }

  void tokenCannotBeStored() {
    SyncRig rig;
    rig.db.exec(
        QStringLiteral("CREATE TRIGGER no_key BEFORE UPDATE ON tblConfig BEGIN SELECT RAISE(ABORT, 'gesperrt'); END"));
    rig.ws.strToken = QStringLiteral("alt");
    rig.login.answer(QStringLiteral("u"), QStringLiteral("p"));
    rig.reply(R"({"error":{"s":false},"data":{"token":"neu"}})");
    QCOMPARE(rig.run([&] { rig.sync.actAuthenticateExecute(); }),
             QStringLiteral("Authentifikationskey konnte nicht gesichert werden."));
    QVERIFY(rig.ws.strToken.isEmpty());
    QVERIFY(rig.prompter.texts(Kind::Info).isEmpty());
  }

  void failedLabelOnlyAfterAFailedAttempt() {
    SyncRig rig;
    rig.auth.intLoginAttempts = 1;
    // 1: transport failure, 2: success, 3: success again, 4: cancelled, 5: success.
    rig.server.enqueue(test::LoopbackServer::Reply("", "503 Service Unavailable"));
    rig.reply(R"({"error":{"s":false},"data":{"token":"t1"}})");
    rig.reply(R"({"error":{"s":false},"data":{"token":"t2"}})");
    rig.reply(R"({"error":{"s":false},"data":{"token":"t3"}})");
    rig.login.answer(QStringLiteral("erst"), QStringLiteral("p"));
    rig.login.answer(QStringLiteral("zweit"), QStringLiteral("p"));
    rig.login.answer(QStringLiteral("dritt"), QStringLiteral("p"));
    rig.login.answers.append(ILoginPrompt::Result{});
    rig.login.answer(QStringLiteral("viert"), QStringLiteral("p"));
    for (int i = 0; i < 5; ++i) QCOMPARE(rig.run([&] { rig.sync.actAuthenticateExecute(); }), QString());
    QCOMPARE(rig.login.errorTexts, (QStringList{QString(), kFailedLabel, QString(), QString(), QString()}));
    QCOMPARE(rig.login.users, (QStringList{QString(), QStringLiteral("erst"), QStringLiteral("zweit"),
                                           QStringLiteral("dritt"), QStringLiteral("dritt")}));
    QCOMPARE(rig.ws.strToken, QStringLiteral("t3"));
  }

  void pinComesFromTheConfiguration() {
    SyncRig rig(true);
    rig.login.answer(QStringLiteral("u"), QStringLiteral("p"));
    rig.login.answer(QStringLiteral("u"), QStringLiteral("p"));
    rig.reply(R"({"error":{"s":false},"data":{"token":"sicher"}})");
    // Without a pin the self-signed server is refused.
    QCOMPARE(rig.run([&] { rig.sync.actAuthenticateExecute(); }), QString());
    QCOMPARE(rig.prompter.texts(Kind::Plain),
             QStringList{QStringLiteral(
                 "Das Zertifikat des Servers ist nicht vertrauenswürdig! Keine sichere Verbindung möglich.")});
    rig.db.exec(QStringLiteral("INSERT INTO tblConfig (id, fielddesc, fieldvalue, fieldtyp) VALUES (200, "
                               "'pinnedkey', %1, 'text')")
                    .arg(SqlText(rig.server.pin())));
    QCOMPARE(rig.run([&] { rig.sync.actAuthenticateExecute(); }), QString());
    QCOMPARE(rig.ws.strToken, QStringLiteral("sicher"));
  }
};

}  // namespace kairon

QTEST_GUILESS_MAIN(kairon::TestAuth)
#include "tst_auth.moc"
