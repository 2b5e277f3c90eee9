#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "common/global.h"
#include "ui/dlgAbout.h"
#include "ui/dlgLogin.h"
#include "ui/widgetprompter.h"

using namespace kairon;

namespace {

bool showAndFocus(QDialog& d) {
  d.show();
  if (!QTest::qWaitForWindowExposed(&d)) return false;
  d.activateWindow();
  return QTest::qWaitForWindowActive(&d);
}

}  // namespace

class TestDialogs : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

  void loginLayout() {
    TDialogLogin d;
    QCOMPARE(d.windowTitle(), QStringLiteral("Anmeldung ..."));
    QCOMPARE(d.size(), QSize(366, 159));
    QCOMPARE(d.Label1->text(), QStringLiteral("Benutzer:"));
    QCOMPARE(d.Label1->buddy(), d.edtUser);
    QCOMPARE(d.Label2->text(), QStringLiteral("Passwort:"));
    QCOMPARE(d.Label2->buddy(), d.edtPassword);
    QCOMPARE(d.btnLogin->text(), QStringLiteral("Anmelden"));
    QCOMPARE(d.btnCancel->text(), QStringLiteral("Abbrechen"));
    QCOMPARE(d.btnLogin->focusPolicy(), Qt::NoFocus);
    QCOMPARE(d.btnCancel->focusPolicy(), Qt::NoFocus);
    QVERIFY(d.lblError->text().isEmpty());
    // The failure line of a repeated attempt is shown whole.
    d.setErrorText(QStringLiteral("Authentifizierung fehlgeschlagen!"));
    QVERIFY(d.lblError->width() >= d.lblError->sizeHint().width());
    QVERIFY(d.lblError->geometry().right() < d.width());
    QVERIFY(d.lblError->font().bold());
  }

  void loginWithEmptyUser() {
    TDialogLogin d;
    QVERIFY(showAndFocus(d));
    QCOMPARE(QApplication::focusWidget(), d.edtUser);
    QVERIFY(!d.btnLogin->isEnabled());
    QTest::keyClicks(d.edtUser, QStringLiteral("MMeier"));
    QCOMPARE(d.edtUser->text(), QStringLiteral("mmeier"));
    QVERIFY(!d.btnLogin->isEnabled());
    // Enter with the password empty does nothing.
    QTest::keyClick(d.edtUser, Qt::Key_Return);
    QVERIFY(d.isVisible());
    QTest::keyClick(d.edtUser, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), d.edtPassword);
    QTest::keyClicks(d.edtPassword, QStringLiteral("GeHeim"));
    QCOMPARE(d.password(), QStringLiteral("GeHeim"));
    QCOMPARE(d.edtPassword->displayText(), QStringLiteral("******"));
    QVERIFY(d.btnLogin->isEnabled());
    // Deleting the last character of either field disables "Anmelden" again.
    d.edtPassword->setText(QStringLiteral("x"));
    QTest::keyClick(d.edtPassword, Qt::Key_Backspace);
    QVERIFY(!d.btnLogin->isEnabled());
    QTest::keyClicks(d.edtPassword, QStringLiteral(" "));
    QVERIFY(d.btnLogin->isEnabled());  // a blank counts as filled
    QTest::keyClick(d.edtPassword, Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(d.userName(), QStringLiteral("mmeier"));
  }

  void loginWithUserFilledIn() {
    TDialogLogin d;
    d.setUserName(QStringLiteral("mmeier"));
    QVERIFY(showAndFocus(d));
    QCOMPARE(QApplication::focusWidget(), d.edtPassword);
    QVERIFY(!d.btnLogin->isEnabled());
    QTest::keyClicks(d.edtPassword, QStringLiteral("g"));
    QVERIFY(d.btnLogin->isEnabled());
    QTest::keyClick(d.edtPassword, Qt::Key_Return);
    QCOMPARE(d.result(), int(QDialog::Accepted));
  }

  void loginEscapeCancels() {
    TDialogLogin d;
    d.setUserName(QStringLiteral("mmeier"));
    QVERIFY(showAndFocus(d));
    QTest::keyClicks(d.edtPassword, QStringLiteral("geheim"));
    QTest::keyClick(d.edtPassword, Qt::Key_Escape);
    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(QDialog::Rejected));
  }

  void loginButtons() {
    TDialogLogin d;
    QVERIFY(showAndFocus(d));
    QTest::mouseClick(d.btnLogin, Qt::LeftButton);  // disabled
    QVERIFY(d.isVisible());
    QTest::mouseClick(d.btnCancel, Qt::LeftButton);
    QCOMPARE(d.result(), int(QDialog::Rejected));
  }

  void aboutShowsTheProgramVersion() {
    // This test program carries the version record of the build.
    const QString version = GetFileVersionText(QCoreApplication::applicationFilePath());
    QVERIFY(version != QLatin1String("unknow"));
    QCOMPARE(version.count(QLatin1Char('.')), 3);
    TDialogAbout d;
    QCOMPARE(d.windowTitle(), QStringLiteral("Über ..."));
    QCOMPARE(d.size(), QSize(435, 250));
    QCOMPARE(d.Label1->text(), QStringLiteral("Version: ") + version);
    QVERIFY(!d.Label2->text().isEmpty());
    QVERIFY(d.Label2->sizeHint().width() <= d.Label2->width());
    QCOMPARE(d.btnOk->text(), QStringLiteral("Ok"));
    QCOMPARE(d.btnOk->focusPolicy(), Qt::NoFocus);
    QVERIFY(showAndFocus(d));
    // Enter and Escape do not close it; "Ok" does.
    QTest::keyClick(&d, Qt::Key_Escape);
    QTest::keyClick(&d, Qt::Key_Return);
    QVERIFY(d.isVisible());
    QTest::mouseClick(d.btnOk, Qt::LeftButton);
    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(QDialog::Accepted));
  }

  // Each kind of box: caption, icon, button texts; line breaks shown as such.
  void messageBoxes_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QStringList>("buttons");
    const QStringList ok{QStringLiteral("OK")};
    QTest::newRow("error") << QStringLiteral("error") << QStringLiteral("Fehler") << int(QMessageBox::Critical) << ok;
    QTest::newRow("information") << QStringLiteral("info") << QStringLiteral("Informationen")
                                 << int(QMessageBox::Information) << ok;
    QTest::newRow("plain") << QStringLiteral("plain") << QStringLiteral("Kairon Windows Client")
                           << int(QMessageBox::NoIcon) << ok;
    QTest::newRow("general error display")
        << QStringLiteral("command") << QStringLiteral("Kairon Windows Client") << int(QMessageBox::Critical) << ok;
    QTest::newRow("confirmation") << QStringLiteral("confirm") << QStringLiteral("Bestätigen")
                                  << int(QMessageBox::Question)
                                  << QStringList{QStringLiteral("Ja"), QStringLiteral("Nein")};
  }

  void messageBoxes() {
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(int, icon);
    QFETCH(QStringList, buttons);
    WidgetPrompter prompter;
    QString seenCaption, seenText;
    int seenIcon = -1;
    QStringList seenButtons;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      seenCaption = box->windowTitle();
      seenText = box->text();
      seenIcon = int(box->icon());
      for (QAbstractButton* b : box->buttons()) seenButtons << b->text();
      QTest::keyClick(box, Qt::Key_Escape);
    });
    const QString text = QStringLiteral("Zeile eins!\r\nZeile zwei!");
    bool answer = true;
    if (kind == QLatin1String("error"))
      prompter.showError(text);
    else if (kind == QLatin1String("info"))
      prompter.showInfo(text);
    else if (kind == QLatin1String("plain"))
      prompter.showPlain(text);
    else if (kind == QLatin1String("command"))
      prompter.showCommandError(text);
    else
      answer = prompter.confirm(text);
    QCOMPARE(seenCaption, caption);
    QCOMPARE(seenIcon, icon);
    QCOMPARE(seenText, QStringLiteral("Zeile eins!\nZeile zwei!"));
    std::sort(seenButtons.begin(), seenButtons.end());
    QCOMPARE(seenButtons, buttons);
    // Escape answers "Nein".
    if (kind == QLatin1String("confirm")) QVERIFY(!answer);
  }

  void confirmationYes() {
    WidgetPrompter prompter;
    QTimer::singleShot(0, [] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      for (QAbstractButton* b : box->buttons())
        if (b->text() == QLatin1String("Ja")) b->click();
    });
    QVERIFY(prompter.confirm(QStringLiteral("Diesen Zeiteintrag unwiderruflich löschen?")));
  }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
