// Saves a picture of the main window with a few entries of today:
// a complete one, one without working time (light red) and a locked one.
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <cstdio>

#include "ui/dlgAbout.h"
#include "ui/dlgLogin.h"
#include "ui/tests/uifixture.h"

namespace {

// The login dialog (as on a repeated attempt) and the About dialog, into a folder.
int saveDialogs(const QString& dir) {
  kairon::TDialogLogin login;
  login.setErrorText(QStringLiteral("Authentifizierung fehlgeschlagen!"));
  login.setUserName(QStringLiteral("mmeier"));
  login.show();
  QTest::keyClicks(login.edtPassword, QStringLiteral("geheim"));
  QTest::qWait(50);
  kairon::TDialogAbout about;
  about.show();
  QTest::qWait(50);
  const bool ok = login.grab().save(QDir(dir).filePath(QStringLiteral("login.png"))) &&
                  about.grab().save(QDir(dir).filePath(QStringLiteral("about.png")));
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc == 3 && QLatin1String(argv[1]) == QLatin1String("--dialogs"))
    return saveDialogs(QString::fromLocal8Bit(argv[2]));
  if (argc < 2) {
    std::fprintf(stderr, "usage: kairon_screenshot OUTPUT.png [RIBBON-PAGE]\n");
    return 2;
  }
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  kairon::test::WindowFixture f;
  const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
  f.db.insertEntry(1, 10, 5, 7, QStringLiteral("Besprechung mit Mandant"), 90, today);
  f.db.insertEntry(2, 20, 5, 7, QStringLiteral("Vertragsentwurf"), 0, today);
  f.db.insertEntry(1, 11, 5, 7, QStringLiteral("Schriftsatz"), 45, today, 1);
  f.db.insertEntry(-1, -1, -1, -1, QString(), 20, today);
  if (!f.start()) {
    std::fprintf(stderr, "kairon_screenshot: the window did not start\n");
    return 1;
  }
  // Show the first entry in the form.
  f.window.lvTimeEntries->selectRow(3);
  f.window.workspace().lvTimeEntriesClick();
  f.window.lvTimeEntries->setFocus();
  if (argc > 2) f.window.showRibbonPage(QString::fromLocal8Bit(argv[2]).toInt());
  QTest::qWait(100);
  // Wide enough for all eight columns.
  f.window.resize(1100, 768);
  QTest::qWait(50);
  const QString out = QString::fromLocal8Bit(argv[1]);
  if (!f.window.grab().save(out)) {
    std::fprintf(stderr, "kairon_screenshot: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
