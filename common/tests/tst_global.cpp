#include <QTemporaryDir>
#include <QTest>

#include "common/errors.h"
#include "common/global.h"
#include "common/prompter.h"

using namespace kairon;

class TestGlobal : public QObject {
  Q_OBJECT
 private slots:
  void encodeDecode_data() {
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("decimal");
    QTest::newRow("Ab") << QStringLiteral("Ab") << QStringLiteral("065098");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("code 0 does not end the text") << QString(QChar(0)) + QLatin1Char('x') << QStringLiteral("000120");
    QTest::newRow("token chars") << QStringLiteral("a&b=c") << QStringLiteral("097038098061099");
  }
  void encodeDecode() {
    QFETCH(QString, plain);
    QFETCH(QString, decimal);
    QCOMPARE(EncodeDecimalText(plain), decimal);
    QCOMPARE(DecodeDecimalText(decimal), plain);
  }

  void longTextRoundTrips() {
    QString plain;
    for (int i = 0; i < 300; ++i) plain += QChar(char16_t(32 + (i * 7) % 967));
    const QString encoded = EncodeDecimalText(plain);
    QCOMPARE(encoded.size(), 900);
    QCOMPARE(DecodeDecimalText(encoded), plain);
  }

  void shortLastGroup() { QCOMPARE(DecodeDecimalText(QStringLiteral("06509")), QStringLiteral("A") + QChar(9)); }

  void euroSignDoesNotRoundTrip() {
    const QString euro(QChar(0x20AC));
    QCOMPARE(EncodeDecimalText(euro), QStringLiteral("8364"));
    QCOMPARE(DecodeDecimalText(QStringLiteral("8364")), QString(QChar(836)) + QChar(4));
  }

  void nonBmpCountsAsTwoUnits() {
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
    QCOMPARE(EncodeDecimalText(smile), QStringLiteral("5535756832"));
  }

  void decodeRefuses_data() {
    QTest::addColumn<QString>("decimal");
    QTest::newRow("letter") << QStringLiteral("06X");
    QTest::newRow("minus") << QStringLiteral("-01");
    QTest::newRow("blank") << QStringLiteral(" 65");
    QTest::newRow("plus") << QStringLiteral("+65");
    QTest::newRow("later group") << QStringLiteral("065a98");
  }
  void decodeRefuses() {
    QFETCH(QString, decimal);
    QVERIFY_THROWS_EXCEPTION(ConversionError, DecodeDecimalText(decimal));
  }

  void versionOfRecordFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("prog"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(1000, 'x'));
    f.write(MakeVersionRecord(0, 5, 2, 123));
    f.write(QByteArray(10, 'y'));
    f.close();
    QCOMPARE(GetFileVersionText(path), QStringLiteral("0.5.2.123"));
  }

  void versionUnknown_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing file") << QByteArray() << false;
    QTest::newRow("empty file") << QByteArray() << true;
    QTest::newRow("no record") << QByteArray(4096, 'z') << true;
    QByteArray broken = MakeVersionRecord(1, 2, 3, 4);
    broken[broken.size() - 1] = char(broken.back() ^ 1);
    QTest::newRow("check words wrong") << broken << true;
    QTest::newRow("cut short") << MakeVersionRecord(1, 2, 3, 4).left(20) << true;
  }
  void versionUnknown() {
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("file"));
    if (exists) {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(content);
    }
    QCOMPARE(GetFileVersionText(path), QStringLiteral("unknow"));
  }

  void testBinaryHasNoRecord() {
    QCOMPARE(GetFileVersionText(QCoreApplication::applicationFilePath()), QStringLiteral("unknow"));
  }

  void generalErrorText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("exclamation") << QStringLiteral("Zeiteintrag auswählen!")
                                 << QStringLiteral("Zeiteintrag auswählen!");
    QTest::newRow("full stop") << QStringLiteral("Fertig.") << QStringLiteral("Fertig.");
    QTest::newRow("letter") << QStringLiteral("Kein Zeiteintrag ausgewählt")
                            << QStringLiteral("Kein Zeiteintrag ausgewählt.");
    QTest::newRow("digit") << QStringLiteral("Fehler: 5") << QStringLiteral("Fehler: 5.");
    QTest::newRow("hyphen is below full stop") << QStringLiteral("a -") << QStringLiteral("a -");
    QTest::newRow("slash is above") << QStringLiteral("a/") << QStringLiteral("a/.");
    QTest::newRow("empty") << QString() << QString();
  }
  void generalErrorText() {
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(GeneralErrorText(text), shown);
  }

  void runCommandCatchesOnce() {
    struct Recorder : IPrompter {
      QStringList errors;
      void showError(const QString&) override {}
      void showInfo(const QString&) override {}
      bool confirm(const QString&) override { return true; }
      void showPlain(const QString&) override {}
      void showCommandError(const QString& t) override { errors << t; }
    } r;
    bool after = false;
    QVERIFY(!RunCommand(r, [&] {
      throw CommandError(QStringLiteral("Kein Zeiteintrag ausgewählt"));
      after = true;
    }));
    QVERIFY(!after);
    QCOMPARE(r.errors, QStringList{QStringLiteral("Kein Zeiteintrag ausgewählt.")});
    QVERIFY(RunCommand(r, [&] { after = true; }));
    QVERIFY(after);
    QCOMPARE(r.errors.size(), 1);
  }
};

QTEST_GUILESS_MAIN(TestGlobal)
#include "tst_global.moc"
