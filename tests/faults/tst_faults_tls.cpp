// Certificate checks through the sign-in: with the test root as the trust
// store, a valid certificate is accepted, and an expired one, one for another
// host and a self-signed one are refused with the German message. A pinned key
// makes exactly that key acceptable; any other key is refused.
#include <QLocale>
#include <QTest>

#include "tests/faults/faultrig.h"
#include "tests/faults/faultserver.h"
#include "tests/faults/testpki.h"

namespace kairon::test {

namespace {
const QByteArray kSignInReply = R"({"error":{"state":false},"data":{"token":"neu"}})";
const QString kUntrusted =
    QStringLiteral("Das Zertifikat des Servers ist nicht vertrauenswürdig! Keine sichere Verbindung möglich.");
}  // namespace

class TestFaultsTls : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    pki_ = new TestPki;
  }
  void cleanupTestCase() { delete pki_; }

  void certificates_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("pinOf");  // -1: no pin
    QTest::addColumn<bool>("accepted");
    QTest::newRow("issued by the root") << int(TestPki::Trusted) << -1 << true;
    QTest::newRow("expired") << int(TestPki::Expired) << -1 << false;
    QTest::newRow("wrong host") << int(TestPki::WrongHost) << -1 << false;
    QTest::newRow("self-signed") << int(TestPki::SelfSigned) << -1 << false;
    QTest::newRow("self-signed, its pin") << int(TestPki::SelfSigned) << int(TestPki::SelfSigned) << true;
    QTest::newRow("self-signed, another pin") << int(TestPki::SelfSigned) << int(TestPki::Trusted) << false;
    QTest::newRow("issued by the root, another pin") << int(TestPki::Trusted) << int(TestPki::SelfSigned) << false;
  }

  void certificates() {
    QFETCH(int, kind);
    QFETCH(int, pinOf);
    QFETCH(bool, accepted);
    FaultServer server(pki_->context(TestPki::Kind(kind)));
    server.setHandler(FaultServer::Answer(kSignInReply));
    SyncRig rig(server.url());
    rig.seed();
    rig.signIn(QStringLiteral("alt"));
    rig.shortTimeouts();
    rig.sync.exchange().settings.caFile = pki_->caFile();
    if (pinOf >= 0)
      rig.db.exec(QStringLiteral("INSERT INTO tblConfig (id, fielddesc, fieldvalue, fieldtyp) VALUES (200, "
                                 "'pinnedkey', %1, 'text')")
                      .arg(SqlText(pki_->pin(TestPki::Kind(pinOf)))));
    const QString before = DumpTables(rig.db.dm());

    QVERIFY(rig.run([&] { rig.sync.actAuthenticateExecute(); }));
    QCOMPARE(rig.busy.waiting, 0);
    if (accepted) {
      QCOMPARE(rig.prompter.texts(), QStringList{QStringLiteral("Authentifizierung erfolgreich abgeschlossen")});
      QCOMPARE(rig.ws.strToken, QStringLiteral("neu"));
      QCOMPARE(server.requestCount(), 1);
    } else {
      QCOMPARE(rig.prompter.texts(ScriptedPrompter::Kind::Plain), QStringList{kUntrusted});
      QCOMPARE(rig.ws.strToken, QStringLiteral("alt"));
      QCOMPARE(DumpTables(rig.db.dm()), before);
      QCOMPARE(server.requestCount(), 0);  // not a byte of the request went out
    }
  }

  // The same refusal ends a download and the upload with their command error.
  void downloadAndUploadRefuseTooAsCommandErrors() {
    FaultServer server(pki_->context(TestPki::Expired));
    SyncRig rig(server.url());
    rig.seed();
    rig.signIn();
    rig.shortTimeouts();
    rig.sync.exchange().settings.caFile = pki_->caFile();
    const QString before = DumpTables(rig.db.dm());
    QVERIFY(!rig.run([&] { rig.sync.actGetFilesExecute(); }));
    QCOMPARE(rig.prompter.texts(ScriptedPrompter::Kind::CommandError), QStringList{Shown(kUntrusted)});
    QVERIFY(!rig.run([&] { rig.sync.actTransmitExecute(); }));
    QCOMPARE(rig.prompter.texts(ScriptedPrompter::Kind::CommandError), QStringList{Shown(kUntrusted)});
    QCOMPARE(DumpTables(rig.db.dm()), before);
  }

 private:
  TestPki* pki_ = nullptr;
};

}  // namespace kairon::test

QTEST_GUILESS_MAIN(kairon::test::TestFaultsTls)
#include "tst_faults_tls.moc"
