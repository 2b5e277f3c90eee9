#include <QTest>

#include "workspace/tests/wsfixture.h"
#include "workspace/timefields.h"

using namespace kairon;
using namespace kairon::test;
using Kind = ScriptedPrompter::Kind;

Q_DECLARE_METATYPE(kairon::FormField)

namespace {
const QString kEmpty = QStringLiteral("Feld darf nicht leer sein!");
const QString kFormat = QStringLiteral("Format der Eingabe wird nicht unterstützt!");
const QString kRange = QStringLiteral("Wert liegt außerhalb des Wertebereiches(1-1440)!");
const QString kCross = QStringLiteral("Abrechenbare Zeit ist größer als die Arbeitszeit!\r\nNicht unterstützt!");
}  // namespace

class TimeFieldsTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { PinGermanLocale(); }

  void checkDecimalHours_data();
  void checkDecimalHours();
  void conversion_data();
  void conversion();
  void keyFilter_data();
  void keyFilter();
  void leaveField_data();
  void leaveField();
  void crossCheck_data();
  void crossCheck();
  void refusedNumberKeepsPreviousMinutes();
  void copiedTextCarriesBillableMinutes();
};

void TimeFieldsTest::checkDecimalHours_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("result");
  QTest::newRow("plain") << QStringLiteral("90") << 0;
  QTest::newRow("plain above limit") << QStringLiteral("99999") << 0;
  QTest::newRow("1,5") << QStringLiteral("1,5") << 1;
  QTest::newRow("0,05") << QStringLiteral("0,05") << 1;
  QTest::newRow("leading zeros") << QStringLiteral("1,050") << 1;
  QTest::newRow("24,0") << QStringLiteral("24,0") << 1;
  QTest::newRow("24,00") << QStringLiteral("24,00") << 1;
  QTest::newRow("24,01") << QStringLiteral("24,01") << -1;
  QTest::newRow("25,0") << QStringLiteral("25,0") << -1;
  QTest::newRow("1,100") << QStringLiteral("1,100") << -1;
  QTest::newRow("1,") << QStringLiteral("1,") << -1;
  QTest::newRow(",5") << QStringLiteral(",5") << -1;
  QTest::newRow("1,2,3") << QStringLiteral("1,2,3") << -1;
  QTest::newRow("letters after comma") << QStringLiteral("1,a") << -1;
}

void TimeFieldsTest::checkDecimalHours() {
  QFETCH(QString, text);
  QFETCH(int, result);
  QCOMPARE(CheckDecimalHours(text), result);
}

void TimeFieldsTest::conversion_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("minutes");
  QTest::newRow("1,5") << QStringLiteral("1,5") << 90;
  QTest::newRow("0,05") << QStringLiteral("0,05") << 3;
  QTest::newRow("0,01") << QStringLiteral("0,01") << 1;
  QTest::newRow("1,05 read as decimals") << QStringLiteral("1,05") << 63;
  QTest::newRow("0,99 rounds down") << QStringLiteral("0,99") << 59;
  QTest::newRow("0,0083 is below half a minute") << QStringLiteral("0,0083") << 0;
  QTest::newRow("0,0084 is above half a minute") << QStringLiteral("0,0084") << 1;
  QTest::newRow("23,99") << QStringLiteral("23,99") << 1439;
  QTest::newRow("24,00") << QStringLiteral("24,00") << 1440;
}

void TimeFieldsTest::conversion() {
  QFETCH(QString, text);
  QFETCH(int, minutes);
  QCOMPARE(DecimalHoursToMinutes(text), minutes);
}

void TimeFieldsTest::keyFilter_data() {
  QTest::addColumn<QChar>("typed");
  QTest::addColumn<bool>("passes");
  QTest::addColumn<QChar>("result");
  QTest::newRow("full stop becomes comma") << QChar(u'.') << true << QChar(u',');
  QTest::newRow("comma") << QChar(u',') << true << QChar(u',');
  QTest::newRow("0") << QChar(u'0') << true << QChar(u'0');
  QTest::newRow("9") << QChar(u'9') << true << QChar(u'9');
  QTest::newRow("backspace") << QChar(0x08) << true << QChar(0x08);
  QTest::newRow("letter") << QChar(u'a') << false << QChar();
  QTest::newRow("minus") << QChar(u'-') << false << QChar();
  QTest::newRow("blank") << QChar(u' ') << false << QChar();
  QTest::newRow("enter") << QChar(u'\r') << false << QChar();
  QTest::newRow("escape") << QChar(0x1b) << false << QChar();
  QTest::newRow("ctrl+v") << QChar(0x16) << false << QChar();
  QTest::newRow("arabic-indic digit") << QChar(0x0663) << false << QChar();
}

void TimeFieldsTest::keyFilter() {
  QFETCH(QChar, typed);
  QFETCH(bool, passes);
  QFETCH(QChar, result);
  const std::optional<QChar> out = FilterTimeKey(typed);
  QCOMPARE(out.has_value(), passes);
  if (passes) QCOMPARE(*out, result);
}

// Leaving either field with a text. Before, the field's minutes are 77 and the
// billable field reads "33" with 11 minutes; the working minutes are 1440 when
// the billable field is left, so the cross-check never interferes.
void TimeFieldsTest::leaveField_data() {
  QTest::addColumn<FormField>("field");
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("accepted");
  QTest::addColumn<int>("minutes");
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("textAfter");

  struct Case {
    const char* text;
    int minutes;  // -1: refused
    QString message;
  };
  const QList<Case> cases{
      {"90", 90, {}},        {"1,5", 90, {}},        {"0,25", 15, {}},       {"1,75", 105, {}},
      {"2,3", 138, {}},      {"0,5", 30, {}},        {"0,05", 3, {}},        {"0,01", 1, {}},
      {"24", 24, {}},        {"24,0", 1440, {}},     {"24,00", 1440, {}},    {"24,01", -1, kFormat},
      {"24,5", -1, kFormat}, {"25,0", -1, kFormat},  {"1,100", -1, kFormat}, {"1,", -1, kFormat},
      {",5", -1, kFormat},   {"1,2,3", -1, kFormat}, {"1440", 1440, {}},     {"1441", -1, kRange},
      {"99999", -1, kRange}, {"0", 0, {}},           {"", -1, kEmpty},       {"1.5", -1, kFormat},
      {"9a", -1, kFormat},   {"-5", -1, kFormat},
  };
  for (FormField field : {FormField::edtReal, FormField::edtInvoiced}) {
    const QString prefix = field == FormField::edtReal ? QStringLiteral("real ") : QStringLiteral("invoiced ");
    for (const Case& c : cases) {
      const QString text = QString::fromUtf8(c.text);
      const QString after = text.isEmpty() ? QStringLiteral("0") : text;
      QTest::newRow((prefix + (text.isEmpty() ? QStringLiteral("(empty)") : text)).toUtf8().constData())
          << field << text << (c.minutes >= 0) << (c.minutes >= 0 ? c.minutes : 77) << c.message << after;
    }
  }
}

void TimeFieldsTest::leaveField() {
  QFETCH(FormField, field);
  QFETCH(QString, text);
  QFETCH(bool, accepted);
  QFETCH(int, minutes);
  QFETCH(QString, message);
  QFETCH(QString, textAfter);

  Workbench b;
  const bool real = field == FormField::edtReal;
  b.ws.intRealTime = real ? 77 : 1440;
  b.ws.intInvoicedTime = real ? 11 : 77;
  b.view.texts[FormField::edtInvoiced] = QStringLiteral("33");
  b.view.texts[field] = text;
  b.view.focused = FormField::cboxProject;  // the user has tabbed on

  const bool ok = real ? b.ws.edtRealExit() : b.ws.edtInvoicedExit();
  QCOMPARE(ok, accepted);
  QCOMPARE(real ? b.ws.intRealTime : b.ws.intInvoicedTime, minutes);
  QCOMPARE(b.view.texts[field], textAfter);
  if (accepted) {
    QVERIFY(b.prompter.shown.isEmpty());
    QCOMPARE(b.view.focusCalls, 0);
    if (real) {
      // The working text is copied unchanged as the default billable time.
      QCOMPARE(b.view.texts[FormField::edtInvoiced], text);
      QCOMPARE(b.ws.intInvoicedTime, minutes);
    }
  } else {
    QCOMPARE(b.prompter.shown.size(), 1);
    QCOMPARE(b.prompter.shown[0].kind, Kind::Error);
    QCOMPARE(b.prompter.shown[0].text, message);
    QCOMPARE(b.view.focused, field);
    if (real) {
      QCOMPARE(b.view.texts[FormField::edtInvoiced], QStringLiteral("33"));
      QCOMPARE(b.ws.intInvoicedTime, 11);
    } else {
      QCOMPARE(b.ws.intRealTime, 1440);
    }
  }
}

void TimeFieldsTest::crossCheck_data() {
  QTest::addColumn<QString>("realText");
  QTest::addColumn<QString>("invoicedText");
  QTest::addColumn<bool>("accepted");
  QTest::addColumn<int>("invoicedMinutes");
  QTest::addColumn<QString>("invoicedTextAfter");
  QTest::newRow("90 / 60") << QStringLiteral("90") << QStringLiteral("60") << true << 60 << QStringLiteral("60");
  QTest::newRow("90 / 1,5") << QStringLiteral("90") << QStringLiteral("1,5") << true << 90 << QStringLiteral("1,5");
  QTest::newRow("equal") << QStringLiteral("90") << QStringLiteral("90") << true << 90 << QStringLiteral("90");
  QTest::newRow("one minute more") << QStringLiteral("90") << QStringLiteral("91") << false << 0 << QStringLiteral("0");
  QTest::newRow("90 / 100") << QStringLiteral("90") << QStringLiteral("100") << false << 0 << QStringLiteral("0");
  QTest::newRow("2,3 copied") << QStringLiteral("2,3") << QString() << true << 138 << QStringLiteral("2,3");
  QTest::newRow("1,5 / 1,51") << QStringLiteral("1,5") << QStringLiteral("1,51") << false << 0 << QStringLiteral("0");
}

void TimeFieldsTest::crossCheck() {
  QFETCH(QString, realText);
  QFETCH(QString, invoicedText);
  QFETCH(bool, accepted);
  QFETCH(int, invoicedMinutes);
  QFETCH(QString, invoicedTextAfter);

  Workbench b;
  b.view.texts[FormField::edtReal] = realText;
  QVERIFY(b.ws.edtRealExit());
  // An empty invoicedText keeps the copied text.
  if (!invoicedText.isEmpty()) b.view.texts[FormField::edtInvoiced] = invoicedText;
  b.view.focused = FormField::cboxProject;
  QCOMPARE(b.ws.edtInvoicedExit(), accepted);
  QCOMPARE(b.ws.intInvoicedTime, invoicedMinutes);
  QCOMPARE(b.view.texts[FormField::edtInvoiced], invoicedTextAfter);
  if (accepted) {
    QVERIFY(b.prompter.shown.isEmpty());
  } else {
    QCOMPARE(b.prompter.shown.size(), 1);
    QCOMPARE(b.prompter.shown[0].kind, Kind::Info);
    QCOMPARE(b.prompter.shown[0].text, kCross);
    QCOMPARE(b.view.focused, FormField::edtInvoiced);
  }
}

// A plain number above 1440 is refused without being taken: a save that follows
// stores the minutes the field had before.
void TimeFieldsTest::refusedNumberKeepsPreviousMinutes() {
  Workbench b;
  b.ws.actNewExecute();
  b.view.texts[FormField::edtReal] = QStringLiteral("120");
  QVERIFY(b.ws.edtRealExit());
  b.view.texts[FormField::edtInvoiced] = QStringLiteral("60");
  QVERIFY(b.ws.edtInvoicedExit());

  b.view.texts[FormField::edtReal] = QStringLiteral("1441");
  QVERIFY(!b.ws.edtRealExit());
  b.view.texts[FormField::edtInvoiced] = QStringLiteral("5000");
  QVERIFY(!b.ws.edtInvoicedExit());
  QCOMPARE(b.ws.intRealTime, 120);
  QCOMPARE(b.ws.intInvoicedTime, 60);
  QCOMPARE(b.prompter.texts(Kind::Error), QStringList({kRange, kRange}));
  QVERIFY(b.ws.BuildSaveStatement().contains(QStringLiteral(", 120, 60, '")));
}

// Leaving the working field sets the billable text and its minutes together, so
// a save without passing through the billable field stores matching values.
void TimeFieldsTest::copiedTextCarriesBillableMinutes() {
  Workbench b;
  b.ws.actNewExecute();
  b.view.texts[FormField::edtReal] = QStringLiteral("300");
  QVERIFY(b.ws.edtRealExit());
  QCOMPARE(b.ws.intInvoicedTime, 300);

  b.view.texts[FormField::edtReal] = QStringLiteral("1,5");
  QVERIFY(b.ws.edtRealExit());
  QCOMPARE(b.view.texts[FormField::edtInvoiced], QStringLiteral("1,5"));
  QCOMPARE(b.ws.intRealTime, 90);
  QCOMPARE(b.ws.intInvoicedTime, 90);
  QVERIFY(b.prompter.shown.isEmpty());
  const QString statement = b.ws.BuildSaveStatement();
  QVERIFY2(
      statement.endsWith(QStringLiteral(", 90, 90, '") + SqlDayText(b.ws.dtDatum) + QStringLiteral("', '1,5', '1,5')")),
      qPrintable(statement));
}

QTEST_MAIN(TimeFieldsTest)
#include "tst_timefields.moc"
