#include <QAbstractButton>
#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>
#include <memory>

#include "ui/dlgLogin.h"
#include "ui/memo.h"
#include "ui/ribbon.h"
#include "ui/tests/uifixture.h"

using namespace kairon;
using kairon::test::ScriptedPrompter;
using kairon::test::WindowFixture;

namespace {

const QString kToday = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));

// "N1 E0 C0 S0": the enabled state of each mode command; fails when its three buttons disagree.
QString commandStates(TformTMSTB& w) {
  QString out;
  const std::array<std::pair<ModeCommand, QChar>, 4> commands{{{ModeCommand::New, QLatin1Char('N')},
                                                               {ModeCommand::Edit, QLatin1Char('E')},
                                                               {ModeCommand::Cancel, QLatin1Char('C')},
                                                               {ModeCommand::Save, QLatin1Char('S')}}};
  for (const auto& [command, letter] : commands) {
    const auto buttons = w.buttonsOf(command);
    const bool first = buttons[0]->isEnabled();
    for (QAbstractButton* b : buttons)
      if (b->isEnabled() != first) return QStringLiteral("disagree: ") + b->objectName();
    if (!out.isEmpty()) out += QLatin1Char(' ');
    out += letter;
    out += first ? QLatin1Char('1') : QLatin1Char('0');
  }
  return out;
}

int entryCount(WindowFixture& f) {
  return f.db.scalar(QStringLiteral("SELECT COUNT(*) FROM tblTimeEntries")).toInt();
}

void clickRow(QTableView* view, int row) {
  const QRect r = view->visualRect(view->model()->index(row, 2));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

  void missingDatabaseStartsNothing() {
    TDataModuleMain dm;
    ScriptedPrompter prompter;
    TformTMSTB w(dm, &prompter);
    QVERIFY(!w.FormCreate(QStringLiteral("/nonexistent/kairon.db3")));
    QCOMPARE(prompter.texts(ScriptedPrompter::Kind::Error),
             QStringList{QStringLiteral("Lokale Datenbank wurde nicht gefunden!\r\nProgramm wird beendet!")});
    QVERIFY(!w.timer1().isActive());
  }

  void layoutAtStart() {
    WindowFixture f;
    TformTMSTB& w = f.window;
    QCOMPARE(w.windowTitle(), QStringLiteral("Kairon Windows Client"));
    QCOMPARE(w.size(), QSize(980, 768));
    QCOMPARE(w.AdvToolBarPager1->currentIndex(), 0);
    QStringList pages;
    for (int i = 0; i < w.AdvToolBarPager1->count(); ++i) pages << w.AdvToolBarPager1->tabText(i);
    QCOMPARE(pages, (QStringList{QStringLiteral("Nutzer"), QStringLiteral("Zeiteinträge"),
                                 QStringLiteral("Datenbank / Server")}));
    // Buttons of each page, left to right, with the actions' captions.
    auto captions = [&](int page) {
      QList<QToolButton*> buttons = w.AdvToolBarPager1->widget(page)->findChildren<QToolButton*>();
      std::sort(buttons.begin(), buttons.end(), [&](QToolButton* a, QToolButton* b) {
        return a->mapTo(&w, QPoint()).x() < b->mapTo(&w, QPoint()).x();
      });
      QStringList out;
      for (QToolButton* b : buttons) out << b->text();
      return out;
    };
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (int page = 0; page < 3; ++page) w.AdvToolBarPager1->setCurrentIndex(page);
    QCOMPARE(captions(0), QStringList{QStringLiteral("Authentifizieren")});
    QCOMPARE(captions(1),
             (QStringList{QStringLiteral("Neu"), QStringLiteral("Bearbeiten/Ändern"), QStringLiteral("Abbrechen"),
                          QStringLiteral("Speichern"), QStringLiteral("Übertragen"), QStringLiteral("Information"),
                          QStringLiteral("Beenden")}));
    QCOMPARE(captions(2),
             (QStringList{QStringLiteral("Alle Daten"), QStringLiteral("Mandate/Mandant"), QStringLiteral("Akten"),
                          QStringLiteral("Practice Group"), QStringLiteral("Aktivitäten")}));
    // Every button shows a picture.
    for (QToolButton* b : {w.mBtnAuthenticate, w.MbtnNew,        w.mBtnEdit,          w.mBtnCancel,
                           w.mBtnSave,         w.mBtnSend,       w.AdvGlowButton1,    w.AdvGlowButton2,
                           w.mBtnGetAllDates,  w.mBtnGetProject, w.mBtnGetFiles,      w.mBtnGetPraticeGroup,
                           w.mBtnGetActivity,  w.sBtnNew,        w.sBtnEdit,          w.sBtnCancel,
                           w.SBtnSave,         w.sBtnExit,       w.AdvToolBarButton1, w.btnBack,
                           w.btnForward,       w.btnDatepicker})
      QVERIFY2(!b->icon().isNull(), qPrintable(b->objectName()));
    for (QPushButton* b : {w.btnNew, w.btnEdit, w.btnCancel, w.btnSave}) QVERIFY(!b->icon().isNull());
    // A group's caption stands below its buttons.
    auto* caption = w.findChild<QLabel*>(QStringLiteral("grpEditCaption"));
    QVERIFY(caption);
    QCOMPARE(caption->text(), QStringLiteral("Zeiteinträge bearbeiten"));
    QVERIFY(caption->mapTo(&w, QPoint()).y() > w.MbtnNew->mapTo(&w, QPoint()).y() + w.MbtnNew->height() - 1);
    // Quick-access bar: six buttons in the tab row.
    QStringList quick;
    for (QToolButton* b : {w.sBtnNew, w.sBtnEdit, w.sBtnCancel, w.SBtnSave, w.sBtnExit, w.AdvToolBarButton1})
      quick << b->toolTip();
    QCOMPARE(quick,
             (QStringList{QStringLiteral("Neu"), QStringLiteral("Bearbeiten/Ändern"), QStringLiteral("Abbrechen"),
                          QStringLiteral("Speichern"), QStringLiteral("Beenden"), QStringLiteral("Information")}));
    QVERIFY(w.sBtnNew->mapTo(&w, QPoint()).y() < w.AdvToolBarPager1->tabBar()->height());

    QCOMPARE(w.AdvToolBarPager1->height(), 149);
    QCOMPARE(w.pnlTop->height(), 328);
    QCOMPARE(w.stBarStandard[0]->text(), QStringLiteral("Kairon"));
    QCOMPARE(w.stBarStandard[1]->text(), QStringLiteral("0 Einträge"));
    QVERIFY(w.stBarStandard[1]->alignment() & Qt::AlignRight);
    QVERIFY(w.stBarStandard[2]->text().isEmpty() && w.stBarStandard[3]->text().isEmpty());
    QVERIFY(!w.calSelect->isVisible());
    QVERIFY(!w.pnlStart->isVisible());
    QCOMPARE(w.calSelect->verticalHeaderFormat(), QCalendarWidget::ISOWeekNumbers);
    QCOMPARE(w.btnDatepicker->toolTip(), QStringLiteral("Kalender zeigen"));
    QCOMPARE(w.checkShowAll->text(), QStringLiteral("Zeige alle Zeiteeinträge ohen Datumsbeschränkung"));
    for (int i = 0; i < 7; ++i) QCOMPARE(w.btnDays[i]->property("Tag").toInt(), i + 2);
    // Every field has its label as buddy, right-aligned and left of it.
    const std::array<std::pair<QLabel*, QString>, 8> labels{{{w.Label1, QStringLiteral("Zeit:")},
                                                             {w.Label2, QStringLiteral("Abrechenbare Zeit:")},
                                                             {w.Label3, QStringLiteral("Mandat/Mandant:")},
                                                             {w.Label4, QStringLiteral("Akte:")},
                                                             {w.Label5, QStringLiteral("Practice Group:")},
                                                             {w.Label6, QStringLiteral("Aktivität:")},
                                                             {w.Label7, QStringLiteral("Tätigkeit:")},
                                                             {w.Label8, QStringLiteral("Notiz zur Tätigkeit:")}}};
    for (const auto& [label, text] : labels) {
      QCOMPARE(label->text(), text);
      QVERIFY(label->buddy());
      QVERIFY(label->alignment() & Qt::AlignRight);
      QVERIFY(label->geometry().right() < label->buddy()->x());
      QVERIFY(label->sizeHint().width() <= label->width());
    }
    for (QLineEdit* e : {w.edtReal, w.edtInvoiced}) {
      QCOMPARE(e->text(), QStringLiteral("0"));
      QCOMPARE(e->maxLength(), 5);
      QVERIFY(e->alignment() & Qt::AlignRight);
    }
    for (QComboBox* c : {w.cboxProject, w.cboxFile, w.cboxPracticeGroup, w.cboxActivity}) {
      QVERIFY(c->isEditable());
      QCOMPARE(c->insertPolicy(), QComboBox::NoInsert);
    }

    QHeaderView* header = w.lvTimeEntries->horizontalHeader();
    QCOMPARE(header->count(), 8);
    const std::array<int, 8> widths{75, 85, 85, 200, 250, 150, 150, 75};
    for (int c = 0; c < 8; ++c) QVERIFY(header->sectionSize(c) >= widths[c]);
    QCOMPARE(header->sectionSize(3), 200);
    QCOMPARE(header->sectionSize(4), 250);
    QVERIFY(w.lvTimeEntries->showGrid());
    QCOMPARE(w.lvTimeEntries->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(w.lvTimeEntries->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(w.lvTimeEntries->editTriggers(), QAbstractItemView::NoEditTriggers);
    const QPalette pal = w.lvTimeEntries->palette();
    QCOMPARE(pal.color(QPalette::Inactive, QPalette::Highlight), pal.color(QPalette::Active, QPalette::Highlight));
  }

  void focusOrder() {
    WindowFixture f;
    QVERIFY(f.start());
    TformTMSTB& w = f.window;
    w.btnDays[0]->setFocus(Qt::TabFocusReason);
    QList<QWidget*> expected;
    for (QPushButton* b : w.btnDays) expected << b;
    expected << w.edtReal << w.edtInvoiced << w.cboxProject << w.cboxFile << w.cboxPracticeGroup << w.cboxActivity
             << w.memoActivity << w.memoNote << w.checkShowAll << w.btnNew << w.btnCancel << w.btnSave << w.btnEdit;
    // Buttons that are disabled in the show mode are skipped; enable them for the walk.
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(w.btnCancel), static_cast<QAbstractButton*>(w.btnSave),
                               static_cast<QAbstractButton*>(w.btnEdit)})
      b->setEnabled(true);
    for (int i = 1; i < expected.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QWidget* focused = QApplication::focusWidget();
      // An editable combo box's line edit stands for the box.
      if (focused && qobject_cast<QComboBox*>(focused->parentWidget())) focused = focused->parentWidget();
      QCOMPARE(focused ? focused->objectName() : QString(), expected[i]->objectName());
    }
  }

  void startupStep() {
    WindowFixture f;
    f.db.insertEntry(1, 10, 5, 7, QStringLiteral("a"), 90, kToday);
    f.db.insertEntry(1, 10, 5, 7, QStringLiteral("b"), 30, kToday);
    QVERIFY(f.window.FormCreate(f.db.path()));
    QVERIFY(f.window.timer1().isActive());
    QCOMPARE(f.window.AdvToolBarPager1->currentIndex(), 0);
    QVERIFY(f.start());
    QCOMPARE(f.window.AdvToolBarPager1->currentIndex(), 1);
    QCOMPARE(f.window.stBarStandard[1]->text(), QStringLiteral("2 Einträge"));
    QCOMPARE(f.window.lvTimeEntries->model()->rowCount(), 2);
    QVERIFY(!f.window.pnlStart->isVisible());
    QCOMPARE(f.window.lblModus->text(), QStringLiteral("ZEIGEN"));
    // The loads leave every chooser without a choice.
    for (QComboBox* c : {f.window.cboxProject, f.window.cboxFile, f.window.cboxPracticeGroup, f.window.cboxActivity}) {
      QVERIFY(c->count() > 0);
      QCOMPARE(c->currentIndex(), -1);
      QVERIFY(c->currentText().isEmpty());
    }
  }

  void allDataNeverEnabled() {
    WindowFixture f;
    QVERIFY(!f.window.mBtnGetAllDates->isEnabled());
    f.db.insertEntry(1, 10, 5, 7, QStringLiteral("a"), 90, kToday);
    QVERIFY(f.start());
    QVERIFY(!f.window.mBtnGetAllDates->isEnabled());
    QTest::mouseClick(f.window.btnNew, Qt::LeftButton);
    QVERIFY(!f.window.mBtnGetAllDates->isEnabled());
    QTest::mouseClick(f.window.btnCancel, Qt::LeftButton);
    f.window.lvTimeEntries->selectRow(0);
    f.ws().lvTimeEntriesClick();
    f.window.showRibbonPage(2);
    QVERIFY(!f.window.mBtnGetAllDates->isEnabled());
    QVERIFY(f.window.mBtnGetProject->isEnabled());
  }

  // Each step is clicked through the button of one bar: entry panel, quick-access bar or ribbon.
  void modeButtonsAgree_data() {
    QTest::addColumn<int>("bar");
    QTest::newRow("entry panel") << 0;
    QTest::newRow("quick-access bar") << 1;
    QTest::newRow("ribbon") << 2;
  }

  void modeButtonsAgree() {
    QFETCH(int, bar);
    WindowFixture f;
    f.db.insertEntry(1, 10, 5, 7, QStringLiteral("a"), 90, kToday);
    QVERIFY(f.start());
    TformTMSTB& w = f.window;
    auto click = [&](ModeCommand c) { QTest::mouseClick(w.buttonsOf(c)[bar], Qt::LeftButton); };
    QCOMPARE(commandStates(w), QStringLiteral("N1 E0 C0 S0"));
    clickRow(w.lvTimeEntries, 0);
    QTRY_COMPARE(commandStates(w), QStringLiteral("N1 E1 C0 S0"));
    click(ModeCommand::Edit);
    QCOMPARE(w.lblModus->text(), QStringLiteral("BEARBEITEN"));
    QCOMPARE(commandStates(w), QStringLiteral("N0 E0 C1 S1"));
    click(ModeCommand::Cancel);
    QCOMPARE(w.lblModus->text(), QStringLiteral("ZEIGEN"));
    QCOMPARE(commandStates(w), QStringLiteral("N1 E1 C0 S0"));
    click(ModeCommand::New);
    QCOMPARE(w.lblModus->text(), QStringLiteral("NEU"));
    QCOMPARE(commandStates(w), QStringLiteral("N0 E0 C1 S1"));
    click(ModeCommand::Save);
    QCOMPARE(w.lblModus->text(), QStringLiteral("ZEIGEN"));
    QCOMPARE(commandStates(w), QStringLiteral("N1 E0 C0 S0"));
    QCOMPARE(entryCount(f), 2);
    QVERIFY(f.prompter.shown.isEmpty());
  }

  void ribbonNewRunsNew() {
    WindowFixture f;
    QVERIFY(f.start());
    f.window.showRibbonPage(1);
    f.window.memoActivity->setFocus();
    QTest::keyClicks(f.window.memoActivity, QStringLiteral("alt"));
    QTest::mouseClick(f.window.MbtnNew, Qt::LeftButton);
    QCOMPARE(f.window.lblModus->text(), QStringLiteral("NEU"));
    QCOMPARE(f.window.memoActivity->toPlainText(), QString());
    QCOMPARE(QApplication::focusWidget(), f.window.edtReal);
  }

  void disabledButtonsAndShortcutsRunNothing() {
    WindowFixture f;
    QVERIFY(f.start());
    TformTMSTB& w = f.window;
    // Show mode: Save and Cancel are disabled, in every bar and from the keyboard.
    for (QAbstractButton* b : w.buttonsOf(ModeCommand::Save)) QTest::mouseClick(b, Qt::LeftButton);
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(entryCount(f), 0);
    // New by keyboard; then New is disabled and does not clear what was typed.
    QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(w.lblModus->text(), QStringLiteral("NEU"));
    w.memoActivity->setFocus();
    QTest::keyClicks(w.memoActivity, QStringLiteral("Akte gelesen"));
    for (QAbstractButton* b : w.buttonsOf(ModeCommand::New)) QTest::mouseClick(b, Qt::LeftButton);
    QTest::keyClick(w.memoActivity, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(w.memoActivity->toPlainText(), QStringLiteral("Akte gelesen"));
    // Ctrl+S saves in mode 1.
    QTest::keyClick(w.memoActivity, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(entryCount(f), 1);
    QCOMPARE(w.lblModus->text(), QStringLiteral("ZEIGEN"));
    // Escape cancels in mode 1 and 2 only.
    QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClicks(w.edtReal, QStringLiteral("15"));
    QTest::keyClick(w.edtReal, Qt::Key_Escape);
    QCOMPARE(w.lblModus->text(), QStringLiteral("ZEIGEN"));
    QCOMPARE(w.edtReal->text(), QStringLiteral("0"));
    QCOMPARE(entryCount(f), 1);
    QVERIFY(f.prompter.shown.isEmpty());
  }

  void enlargingGrowsOnlyTheList() {
    WindowFixture f;
    QVERIFY(f.start());
    TformTMSTB& w = f.window;
    const QRect ribbon = w.AdvToolBarPager1->geometry();
    const QRect panel = w.pnlTop->geometry();
    QHash<QWidget*, QRect> controls;
    for (QWidget* c : w.pnlTop->findChildren<QWidget*>()) controls.insert(c, c->geometry());
    const int listHeight = w.lvTimeEntries->height();
    w.resize(1300, 1000);
    QTRY_COMPARE(w.lvTimeEntries->height(), listHeight + 232);
    QCOMPARE(w.AdvToolBarPager1->geometry().topLeft(), ribbon.topLeft());
    QCOMPARE(w.AdvToolBarPager1->height(), ribbon.height());
    QCOMPARE(w.pnlTop->geometry().topLeft(), panel.topLeft());
    QCOMPARE(w.pnlTop->height(), panel.height());
    for (auto it = controls.cbegin(); it != controls.cend(); ++it)
      QVERIFY2(it.key()->geometry() == it.value(), qPrintable(it.key()->objectName()));
  }

  void timeKeyFilter_data() {
    QTest::addColumn<bool>("billable");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("full stop") << false << QStringLiteral("1.5") << QStringLiteral("1,5");
    QTest::newRow("full stop, billable") << true << QStringLiteral("0.25") << QStringLiteral("0,25");
    QTest::newRow("letter") << false << QStringLiteral("a") << QString();
    QTest::newRow("minus") << false << QStringLiteral("-") << QString();
    QTest::newRow("minus, billable") << true << QStringLiteral("-") << QString();
    QTest::newRow("mixed") << false << QStringLiteral("9a-0 ") << QStringLiteral("90");
    QTest::newRow("five at most") << true << QStringLiteral("1234567") << QStringLiteral("12345");
  }

  void timeKeyFilter() {
    QFETCH(bool, billable);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    WindowFixture f;
    QVERIFY(f.start());
    QLineEdit* e = billable ? f.window.edtInvoiced : f.window.edtReal;
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClicks(e, typed);
    QCOMPARE(e->text(), shown);
    // Keys that type no character still work.
    if (!shown.isEmpty()) {
      QTest::keyClick(e, Qt::Key_Home);
      QTest::keyClick(e, Qt::Key_Delete);
      QCOMPARE(e->text(), shown.mid(1));
    }
  }

  // A refused text takes the focus back into the field that was left, whatever
  // took the focus, and the text stays for correction.
  void refusedTimeTakesFocusBack_data() {
    QTest::addColumn<bool>("billable");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("leaveTo");
    QTest::addColumn<QString>("message");
    const QString format = QStringLiteral("Format der Eingabe wird nicht unterstützt!");
    QTest::newRow("billable, Tab") << true << QStringLiteral("1,2,3") << QStringLiteral("tab") << format;
    QTest::newRow("billable, click into project")
        << true << QStringLiteral("25,0") << QStringLiteral("cboxProject") << format;
    QTest::newRow("billable, click into working time")
        << true << QStringLiteral("1,") << QStringLiteral("edtReal") << format;
    QTest::newRow("billable, too many minutes") << true << QStringLiteral("1441") << QStringLiteral("tab")
                                                << QStringLiteral("Wert liegt außerhalb des Wertebereiches(1-1440)!");
    QTest::newRow("working, click into billable")
        << false << QStringLiteral(",5") << QStringLiteral("edtInvoiced") << format;
  }

  void refusedTimeTakesFocusBack() {
    QFETCH(bool, billable);
    QFETCH(QString, typed);
    QFETCH(QString, leaveTo);
    QFETCH(QString, message);
    WindowFixture f;
    QVERIFY(f.start());
    TformTMSTB& w = f.window;
    QTest::mouseClick(w.btnNew, Qt::LeftButton);
    QLineEdit* field = billable ? w.edtInvoiced : w.edtReal;
    QLineEdit* other = billable ? w.edtReal : w.edtInvoiced;
    field->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(field, typed);
    if (leaveTo == QLatin1String("tab"))
      QTest::keyClick(field, Qt::Key_Tab);
    else if (leaveTo == QLatin1String("cboxProject"))
      QTest::mouseClick(w.cboxProject->lineEdit(), Qt::LeftButton);
    else
      QTest::mouseClick(w.findChild<QLineEdit*>(leaveTo), Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), field);
    QTest::qWait(20);
    QCOMPARE(QApplication::focusWidget(), field);
    QCOMPARE(f.prompter.texts(), QStringList{message});
    QCOMPARE(field->text(), typed);
    QCOMPARE(other->text(), QStringLiteral("0"));
    // The whole text is selected, ready to be typed over.
    QCOMPARE(field->selectedText(), typed);
  }

  // With real message boxes, shown while the focus is moving away.
  void refusedTimeWithRealBoxes() {
    WindowFixture f(true);
    QVERIFY(f.start());
    TformTMSTB& w = f.window;
    QStringList boxes;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        boxes << box->text();
        box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->buttons().first()->click();
      }
    });
    closer.start(20);
    QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
    w.edtInvoiced->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(w.edtInvoiced, QStringLiteral("1,2,3"));
    QTest::keyClick(w.edtInvoiced, Qt::Key_Tab);
    QTRY_COMPARE(boxes, QStringList{QStringLiteral("Format der Eingabe wird nicht unterstützt!")});
    // The window's focus is back in the field; it has it again as soon as the
    // window is active again (the window manager's part on a desktop).
    QTRY_COMPARE(w.focusWidget(), w.edtInvoiced);
    QTest::qWait(50);
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(QApplication::focusWidget(), w.edtInvoiced);
    // Corrected, the field can be left.
    QTest::keyClicks(w.edtInvoiced, QStringLiteral("0"));
    QTest::keyClick(w.edtInvoiced, Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.cboxProject));
    QCOMPARE(boxes.size(), 1);
  }

  void typedTimesReplaceTheShownText() {
    WindowFixture f;
    QVERIFY(f.start());
    TformTMSTB& w = f.window;
    QTest::mouseClick(w.MbtnNew, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), w.edtReal);
    QTest::keyClicks(w.edtReal, QStringLiteral("90"));
    QCOMPARE(w.edtReal->text(), QStringLiteral("90"));
    QTest::keyClick(w.edtReal, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.edtInvoiced);
    QCOMPARE(w.edtInvoiced->text(), QStringLiteral("90"));
    QTest::keyClicks(w.edtInvoiced, QStringLiteral("60"));
    QCOMPARE(w.edtInvoiced->text(), QStringLiteral("60"));
    QTest::mouseClick(w.btnSave, Qt::LeftButton);
    QCOMPARE(f.db.rows(QStringLiteral("SELECT real_time, invoice_time, str_real_time, str_invoice_time FROM "
                                      "tblTimeEntries")),
             (QList<QVariantList>{{90, 60, QStringLiteral("90"), QStringLiteral("60")}}));
    QVERIFY(f.prompter.shown.isEmpty());
  }

  // Saving from a button that takes no focus, or by keyboard, checks the time
  // being typed first, so the stored text and minutes agree.
  void saveChecksTheTimeBeingTyped_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("ribbon") << QStringLiteral("mBtnSave");
    QTest::newRow("quick-access bar") << QStringLiteral("SBtnSave");
    QTest::newRow("Ctrl+S") << QString();
  }

  void saveChecksTheTimeBeingTyped() {
    QFETCH(QString, how);
    WindowFixture f;
    QVERIFY(f.start());
    TformTMSTB& w = f.window;
    QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClicks(w.edtReal, QStringLiteral("1.5"));
    if (how.isEmpty())
      QTest::keyClick(w.edtReal, Qt::Key_S, Qt::ControlModifier);
    else
      QTest::mouseClick(w.findChild<QToolButton*>(how), Qt::LeftButton);
    QCOMPARE(f.db.rows(QStringLiteral("SELECT real_time, invoice_time, str_real_time, str_invoice_time FROM "
                                      "tblTimeEntries")),
             (QList<QVariantList>{{90, 90, QStringLiteral("1,5"), QStringLiteral("1,5")}}));
  }

  void refusedTimeVoidsTheSaveClick() {
    WindowFixture f;
    QVERIFY(f.start());
    TformTMSTB& w = f.window;
    QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClicks(w.edtReal, QStringLiteral("25,0"));
    QTest::mouseClick(w.btnSave, Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), w.edtReal);
    QCOMPARE(entryCount(f), 0);
    QCOMPARE(w.lblModus->text(), QStringLiteral("NEU"));
    QCOMPARE(f.prompter.texts(), QStringList{QStringLiteral("Format der Eingabe wird nicht unterstützt!")});
    // Ribbon Save: the same check, once.
    QTest::mouseClick(w.mBtnSave, Qt::LeftButton);
    QCOMPARE(entryCount(f), 0);
    QCOMPARE(f.prompter.shown.size(), 2);
  }

  void descriptionAtMost255Characters() {
    WindowFixture f;
    QVERIFY(f.start());
    TformTMSTB& w = f.window;
    const QString many(300, QLatin1Char('x'));
    QApplication::clipboard()->setText(many);
    w.memoActivity->setFocus();
    QTest::keySequence(w.memoActivity, QKeySequence::Paste);
    QCOMPARE(w.memoActivity->toPlainText(), QString(255, QLatin1Char('x')));
    QTest::keyClicks(w.memoActivity, QStringLiteral("y"));
    QCOMPARE(w.memoActivity->toPlainText().size(), 255);
    // A line break counts two characters, as it is stored.
    w.memoActivity->clear();
    QApplication::clipboard()->setText(QString(254, QLatin1Char('x')));
    QTest::keySequence(w.memoActivity, QKeySequence::Paste);
    QTest::keyClick(w.memoActivity, Qt::Key_Return);
    QCOMPARE(w.fieldText(FormField::memoActivity), QString(254, QLatin1Char('x')));
    // The note has no limit.
    QApplication::clipboard()->setText(many + many);
    w.memoNote->setFocus();
    QTest::keySequence(w.memoNote, QKeySequence::Paste);
    QCOMPARE(w.memoNote->toPlainText().size(), 600);
  }

  void memoTextsKeepTheirLineBreaks() {
    WindowFixture f;
    TformTMSTB& w = f.window;
    w.setFieldText(FormField::memoActivity, QStringLiteral("Zeile 1\r\nZeile 2"));
    QCOMPARE(w.memoActivity->document()->blockCount(), 2);
    QCOMPARE(w.fieldText(FormField::memoActivity), QStringLiteral("Zeile 1\r\nZeile 2"));
    // Unchanged text reads back exactly, even with a bare line feed.
    w.setFieldText(FormField::memoNote, QStringLiteral("a\nb\u00a0c"));
    QCOMPARE(w.fieldText(FormField::memoNote), QStringLiteral("a\nb\u00a0c"));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.memoActivity->setFocus();
    w.memoActivity->moveCursor(QTextCursor::End);
    QTest::keyClick(w.memoActivity, Qt::Key_Return);
    QTest::keyClicks(w.memoActivity, QStringLiteral("3"));
    QCOMPARE(w.fieldText(FormField::memoActivity), QStringLiteral("Zeile 1\r\nZeile 2\r\n3"));
  }

  void onlyTheUsersProjectChoiceReloadsFiles() {
    WindowFixture f;
    QVERIFY(f.start());
    TformTMSTB& w = f.window;
    auto files = [&] {
      QStringList out;
      for (int i = 0; i < w.cboxFile->count(); ++i) out << w.cboxFile->itemText(i);
      return out;
    };
    const QStringList placeholderOnly = files();
    QCOMPARE(placeholderOnly.size(), 1);
    // Projects: the placeholder, "Meier GmbH", "Schulz AG".
    w.setChooserIndex(FormField::cboxProject, 1);
    QCOMPARE(files(), placeholderOnly);
    w.cboxProject->setFocus();
    QTest::keyClick(w.cboxProject, Qt::Key_Down);
    QCOMPARE(w.cboxProject->currentText(), QStringLiteral("Schulz AG"));
    QCOMPARE(files(), QStringList{QStringLiteral("B-7 - Vertrag")});
    QCOMPARE(w.cboxFile->currentIndex(), -1);
    QTest::keyClick(w.cboxProject, Qt::Key_Up);
    QCOMPARE(files(), (QStringList{QStringLiteral("4711 - Muster"), QStringLiteral("A-12 - Mietrecht")}));
    // A typed text counts only when it names an entry.
    w.cboxProject->lineEdit()->selectAll();
    QTest::keyClicks(w.cboxProject->lineEdit(), QStringLiteral("Schulz KG"));
    QCOMPARE(f.ws().ChosenId(FormField::cboxProject), qint64(-1));
    w.cboxProject->lineEdit()->selectAll();
    QTest::keyClicks(w.cboxProject->lineEdit(), QStringLiteral("Schulz AG"));
    QCOMPARE(f.ws().ChosenId(FormField::cboxProject), qint64(2));
  }

  void listClicks() {
    WindowFixture f;
    f.db.insertEntry(1, 10, 5, 7, QStringLiteral("erste"), 90, kToday);
    f.db.insertEntry(2, 20, 5, 7, QStringLiteral("zweite"), 30, kToday);
    QVERIFY(f.start());
    TformTMSTB& w = f.window;
    // Newest first: row 1 is the first entry.
    clickRow(w.lvTimeEntries, 1);
    QTRY_COMPARE(w.memoActivity->toPlainText(), QStringLiteral("erste"));
    QCOMPARE(w.edtReal->text(), QStringLiteral("90"));
    QCOMPARE(w.cboxProject->currentText(), QStringLiteral("Meier GmbH"));
    // A click beside the rows drops the selection first.
    const QPoint below(10, w.lvTimeEntries->viewport()->height() - 5);
    QTest::mouseClick(w.lvTimeEntries->viewport(), Qt::LeftButton, Qt::NoModifier, below);
    QTRY_COMPARE(f.prompter.texts(ScriptedPrompter::Kind::CommandError),
                 QStringList{QStringLiteral("Kein Zeiteintrag ausgewählt.")});
    QCOMPARE(w.selectedEntryRow(), -1);
    // Enter on a row is a click; Delete asks before it deletes.
    w.lvTimeEntries->setFocus();
    w.lvTimeEntries->selectRow(0);
    QTest::keyClick(w.lvTimeEntries, Qt::Key_Return);
    QCOMPARE(w.memoActivity->toPlainText(), QStringLiteral("zweite"));
    f.prompter.answers = {false};
    QTest::keyClick(w.lvTimeEntries, Qt::Key_Delete);
    QCOMPARE(f.prompter.texts(ScriptedPrompter::Kind::Confirm),
             QStringList{QStringLiteral("Diesen Zeiteintrag unwiderruflich löschen?")});
    QCOMPARE(entryCount(f), 2);
  }

  void contextMenuWithoutSelection() {
    WindowFixture f;
    f.db.insertEntry(1, 10, 5, 7, QStringLiteral("a"), 90, kToday);
    QVERIFY(f.start());
    TformTMSTB& w = f.window;
    QCOMPARE(w.selectedEntryRow(), -1);
    QWidget* viewport = w.lvTimeEntries->viewport();
    const QPoint pos(20, viewport->height() - 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, viewport->mapToGlobal(pos));
    QCoreApplication::sendEvent(viewport, &event);
    QTRY_VERIFY(w.menuEntryAdditional->isVisible());
    QCOMPARE(w.EntryDelete->text(), QStringLiteral("Zeieintrag löschen"));
    QCOMPARE(w.EntryLock->text(), QStringLiteral("Zeiteintrag sperren/entsperren"));
    w.menuEntryAdditional->hide();
    w.EntryDelete->trigger();
    w.EntryLock->trigger();
    QCOMPARE(f.prompter.texts(ScriptedPrompter::Kind::CommandError),
             (QStringList{QStringLiteral("Zeiteintrag auswählen!"), QStringLiteral("Zeiteintrag auswählen!")}));
    // A right click on a row selects it for the menu's commands.
    const QRect row = w.lvTimeEntries->visualRect(w.lvTimeEntries->model()->index(0, 3));
    QTest::mousePress(viewport, Qt::RightButton, Qt::NoModifier, row.center());
    QTest::mouseRelease(viewport, Qt::RightButton, Qt::NoModifier, row.center());
    QCOMPARE(w.selectedEntryRow(), 0);
    w.EntryLock->trigger();
    QCOMPARE(f.db.scalar(QStringLiteral("SELECT locked FROM tblTimeEntries")).toInt(), 1);
    QCOMPARE(w.lvTimeEntries->model()->index(0, 7).data().toString(), QStringLiteral("locked"));
  }

  void lockedRowsInTheTooltipColour() {
    WindowFixture f;
    f.db.insertEntry(1, 10, 5, 7, QStringLiteral("a"), 0, kToday, 1);
    QVERIFY(f.start());
    const QModelIndex cell = f.window.lvTimeEntries->model()->index(0, 0);
    QCOMPARE(cell.data(Qt::BackgroundRole).value<QBrush>().color(),
             QToolTip::palette().color(QPalette::Inactive, QPalette::ToolTipBase));
  }

  void dayStripAndCalendar() {
    WindowFixture f;
    QVERIFY(f.start());
    TformTMSTB& w = f.window;
    const QDate today = QDate::currentDate();
    QCOMPARE(w.lblDatum->text(),
             ShortDayName(today) + QStringLiteral("., ") + today.toString(QStringLiteral("dd.MM.yyyy")));
    const int selected = WeekdayIndex(today) - 2;
    for (int i = 0; i < 7; ++i)
      QCOMPARE(w.pnlDays[i]->palette().color(QPalette::Window) == QColor(Qt::white), i == selected);
    QTest::mouseClick(w.btnDatepicker, Qt::LeftButton);
    QVERIFY(w.calSelect->isVisible());
    const QDate picked = today.addDays(-30);
    w.calSelect->setSelectedDate(picked);
    emit w.calSelect->activated(picked);
    QVERIFY(!w.calSelect->isVisible());
    QCOMPARE(f.ws().dtDatum, picked);
    QVERIFY(w.lblDatum->text().endsWith(picked.toString(QStringLiteral("dd.MM.yyyy"))));
  }

  // No stored token: the start-up opens the login dialog. A first attempt that
  // cannot reach the server is reported; the second dialog says it failed, has
  // the user name filled in, and cancelling it ends the program.
  void signInAtStartUp() {
    kairon::test::TempDatabase db;  // its server address refuses connections
    db.insertPlaceholders();
    TDataModuleMain dm;
    ScriptedPrompter prompter;
    TformTMSTB w(dm, &prompter);
    QList<QStringList> dialogs;  // error line, user, focused field of each dialog
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&] {
      auto* d = qobject_cast<TDialogLogin*>(QApplication::activeModalWidget());
      if (!d || !d->isVisible() || d->property("seen").toBool()) return;
      d->setProperty("seen", true);
      dialogs << QStringList{d->lblError->text(), d->edtUser->text(), d->focusWidget()->objectName()};
      if (dialogs.size() == 1) {
        QTest::keyClicks(d->edtUser, QStringLiteral("MMeier"));
        QTest::keyClicks(d->edtPassword, QStringLiteral("geheim"));
        QTest::keyClick(d->edtPassword, Qt::Key_Return);
      } else {
        QTest::keyClick(d->focusWidget(), Qt::Key_Escape);
      }
    });
    answer.start(20);
    QVERIFY(w.FormCreate(db.path()));
    w.show();
    QTRY_COMPARE(w.startup().state(), Startup::State::Ending);
    QCOMPARE(dialogs, (QList<QStringList>{{QString(), QString(), QStringLiteral("edtUser")},
                                          {QStringLiteral("Authentifizierung fehlgeschlagen!"),
                                           QStringLiteral("mmeier"), QStringLiteral("edtPassword")}}));
    QCOMPARE(prompter.texts(ScriptedPrompter::Kind::Plain).size(), 1);
    QCOMPARE(w.authSession().intLoginAttempts, 4);
    QVERIFY(w.workspace().strToken.isEmpty());
  }

  void closeAsksOutsideShowMode() {
    WindowFixture f;
    QVERIFY(f.start());
    QTest::mouseClick(f.window.btnNew, Qt::LeftButton);
    f.prompter.answers = {false};
    QVERIFY(!f.window.close());
    QVERIFY(f.window.isVisible());
    QCOMPARE(f.prompter.texts(ScriptedPrompter::Kind::Confirm),
             QStringList{QStringLiteral("Daten sind noch nicht gespeichert!\r\nWollen Sie das Programm beenden?")});
    QCOMPARE(f.window.lblModus->text(), QStringLiteral("NEU"));
  }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
