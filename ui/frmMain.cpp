#include "ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <optional>

#include "common/prompter.h"
#include "store/dmMain.h"
#include "sync/serversync.h"
#include "ui/dlgAbout.h"
#include "ui/dlgLogin.h"
#include "ui/icons.h"
#include "ui/memo.h"
#include "ui/ribbon.h"
#include "ui/widgetprompter.h"
#include "workspace/timefields.h"
#include "workspace/workspace.h"

namespace kairon {

namespace {

constexpr int kClientWidth = 980;
constexpr int kClientHeight = 768;
constexpr int kRibbonHeight = 149;
constexpr int kPanelHeight = 328;
constexpr int kMemoActivityMax = 255;

constexpr std::array<int, TimeEntryModel::kColumns> kColumnWidths{75, 85, 85, 200, 250, 150, 150, 75};

QColor blend(const QColor& a, const QColor& b, qreal t) {
  return QColor::fromRgbF(float(a.redF() * (1 - t) + b.redF() * t), float(a.greenF() * (1 - t) + b.greenF() * t),
                          float(a.blueF() * (1 - t) + b.blueF() * t));
}

// A day button shows its caption "Montag 05.11.2012" on two lines.
QString dayButtonText(const QString& caption) {
  QString shown = caption;
  const qsizetype blank = shown.indexOf(QLatin1Char(' '));
  if (blank >= 0) shown[blank] = QLatin1Char('\n');
  return shown;
}

}  // namespace

TformTMSTB::TformTMSTB(TDataModuleMain& dm, IPrompter* prompter, ILoginPrompt* loginPrompt, QWidget* parent)
    : QMainWindow(parent), dm_(dm) {
  setObjectName(QStringLiteral("formTMSTB"));
  setWindowTitle(kAppTitle);
  if (prompter) {
    prompter_ = prompter;
  } else {
    ownPrompter_ = std::make_unique<WidgetPrompter>(this);
    prompter_ = ownPrompter_.get();
  }
  if (loginPrompt) {
    loginPrompt_ = loginPrompt;
  } else {
    ownLoginPrompt_ = std::make_unique<TLoginPrompt>(this);
    loginPrompt_ = ownLoginPrompt_.get();
  }
  busy_ = std::make_unique<WidgetBusyIndicator>();
  ws_ = std::make_unique<TimeWorkspace>(dm_, *prompter_, *this);
  sync_ = std::make_unique<TServerSync>(*ws_, auth_, *busy_, *loginPrompt_);

  createActions();
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("clientArea"));
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  createRibbon();
  createEntryPanel();
  createEntryList();
  column->addWidget(AdvToolBarPager1);
  column->addWidget(pnlTop);
  column->addWidget(lvTimeEntries, 1);
  setCentralWidget(central);
  createStatusBar();
  connectHandlers();
  setTabOrderOfPanel();

  startup_ = std::make_unique<Startup>(dm_, *ws_, auth_, *prompter_, *this);
  // The start-up's sign-in loop: an error of an attempt ends the start-up step,
  // so it is not caught here.
  startup_->authenticate = [this] { sync_->actAuthenticateExecute(); };

  // As created: the first page, the New buttons and "Alle Daten" disabled.
  AdvToolBarPager1->setCurrentIndex(0);
  for (QAbstractButton* b : buttonsOf(ModeCommand::New)) b->setEnabled(false);
  mBtnGetAllDates->setEnabled(false);

  Timer1.setObjectName(QStringLiteral("Timer1"));
  Timer1.setSingleShot(true);
  Timer1.setInterval(100);
  connect(&Timer1, &QTimer::timeout, this, &TformTMSTB::Timer1Timer);

  resize(kClientWidth, kClientHeight);
  if (QScreen* s = screen()) {
    const QRect area = s->availableGeometry();
    move(area.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
  }
}

// The models live in the workspace, which goes before the widgets; the views
// let go of a model when it is destroyed.
TformTMSTB::~TformTMSTB() {
  lvTimeEntries->setModel(nullptr);
}

// ---------------------------------------------------------------------------
// Building the window

void TformTMSTB::createActions() {
  auto make = [this](const QString& name, const QString& caption, std::optional<Img> image) {
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    if (image) a->setIcon(KaironIcon(*image));
    return a;
  };
  actExit = make(QStringLiteral("actExit"), QStringLiteral("Beenden"), Img::Exit);
  actNew = make(QStringLiteral("actNew"), QStringLiteral("Neu"), Img::New);
  actSave = make(QStringLiteral("actSave"), QStringLiteral("Speichern"), Img::Save);
  actCancel = make(QStringLiteral("actCancel"), QStringLiteral("Abbrechen"), Img::Cancel);
  actEdit = make(QStringLiteral("actEdit"), QStringLiteral("Bearbeiten"), std::nullopt);
  actSetEdit = make(QStringLiteral("actSetEdit"), QStringLiteral("Bearbeiten/Ändern"), Img::Edit);
  actTransmit = make(QStringLiteral("actTransmit"), QStringLiteral("Übertragen"), Img::Transmit);
  actAuthenticate = make(QStringLiteral("actAuthenticate"), QStringLiteral("Authentifizieren"), std::nullopt);
  actGetAllDates = make(QStringLiteral("actGetAllDates"), QStringLiteral("Alle Daten"), std::nullopt);
  actGetProject = make(QStringLiteral("actGetProject"), QStringLiteral("Mandate/Mandant"), std::nullopt);
  actGetFiles = make(QStringLiteral("actGetFiles"), QStringLiteral("Akten"), std::nullopt);
  actGetPracticeGroup = make(QStringLiteral("actGetPracticeGroup"), QStringLiteral("Practice Group"), std::nullopt);
  actGetActivity = make(QStringLiteral("actGetActivity"), QStringLiteral("Aktivitäten"), std::nullopt);
  actInfo = make(QStringLiteral("actInfo"), QStringLiteral("Information"), Img::Information);

  connect(actExit, &QAction::triggered, this, &TformTMSTB::actExitExecute);
  connect(actNew, &QAction::triggered, this, &TformTMSTB::actNewExecute);
  connect(actSave, &QAction::triggered, this, &TformTMSTB::actSaveExecute);
  connect(actCancel, &QAction::triggered, this, &TformTMSTB::actCancelExecute);
  connect(actEdit, &QAction::triggered, this, &TformTMSTB::actEditExecute);
  connect(actSetEdit, &QAction::triggered, this, &TformTMSTB::actSetEditExecute);
  connect(actTransmit, &QAction::triggered, this, &TformTMSTB::actTransmitExecute);
  connect(actAuthenticate, &QAction::triggered, this, &TformTMSTB::actAuthenticateExecute);
  connect(actGetAllDates, &QAction::triggered, this, &TformTMSTB::actGetAllDatesExecute);
  connect(actGetProject, &QAction::triggered, this, &TformTMSTB::actGetProjectExecute);
  connect(actGetFiles, &QAction::triggered, this, &TformTMSTB::actGetFilesExecute);
  connect(actGetPracticeGroup, &QAction::triggered, this, &TformTMSTB::actGetPracticeGroupExecute);
  connect(actGetActivity, &QAction::triggered, this, &TformTMSTB::actGetActivityExecute);
  connect(actInfo, &QAction::triggered, this, &TformTMSTB::actInfoExecute);
}

void TformTMSTB::createRibbon() {
  AdvToolBarPager1 = new TRibbonPager(this);
  AdvToolBarPager1->setFixedHeight(kRibbonHeight);
  TRibbonPager* r = AdvToolBarPager1;

  // A button shows its action's caption and picture; the work mode enables and
  // disables the button, never the action, so the click is bound here.
  auto large = [this, r](QWidget* group, const QString& name, QAction* action, Img image) {
    QToolButton* b = r->addLargeButton(group, action->text(), KaironIcon(image), name);
    connect(b, &QToolButton::clicked, this, [this, action] { runButton([action] { action->trigger(); }); });
    return b;
  };

  QWidget* user = r->addPage(QStringLiteral("Nutzer"), QStringLiteral("pageUser"));
  QWidget* support = r->addGroup(user, QStringLiteral("Nutzerunterstützung"), QStringLiteral("grpSupport"));
  mBtnAuthenticate = large(support, QStringLiteral("mBtnAuthenticate"), actAuthenticate, Img::Authenticate);

  QWidget* entries = r->addPage(QStringLiteral("Zeiteinträge"), QStringLiteral("pageEntries"));
  QWidget* edit = r->addGroup(entries, QStringLiteral("Zeiteinträge bearbeiten"), QStringLiteral("grpEdit"));
  // MbtnNew is not bound to actNew: it runs the New command itself.
  MbtnNew = r->addLargeButton(edit, QStringLiteral("Neu"), KaironIcon(Img::New), QStringLiteral("MbtnNew"));
  connect(MbtnNew, &QToolButton::clicked, this, [this] { runButton([this] { actNewExecute(); }); });
  mBtnEdit = large(edit, QStringLiteral("mBtnEdit"), actSetEdit, Img::Edit);
  mBtnCancel = large(edit, QStringLiteral("mBtnCancel"), actCancel, Img::Cancel);
  mBtnSave = large(edit, QStringLiteral("mBtnSave"), actSave, Img::Save);
  QWidget* send = r->addGroup(entries, QStringLiteral("Senden ..."), QStringLiteral("grpSend"));
  mBtnSend = large(send, QStringLiteral("mBtnSend"), actTransmit, Img::Transmit);
  QWidget* program = r->addGroup(entries, QStringLiteral("Programm"), QStringLiteral("grpProgram"));
  AdvGlowButton1 = large(program, QStringLiteral("AdvGlowButton1"), actInfo, Img::Information);
  AdvGlowButton2 = large(program, QStringLiteral("AdvGlowButton2"), actExit, Img::Exit);

  QWidget* server = r->addPage(QStringLiteral("Datenbank / Server"), QStringLiteral("pageServer"));
  QWidget* all = r->addGroup(server, QStringLiteral("Alle Daten"), QStringLiteral("grpAll"));
  mBtnGetAllDates = large(all, QStringLiteral("mBtnGetAllDates"), actGetAllDates, Img::AllData);
  QWidget* single = r->addGroup(server, QStringLiteral("Daten einzeln holen"), QStringLiteral("grpSingle"));
  mBtnGetProject = large(single, QStringLiteral("mBtnGetProject"), actGetProject, Img::Project);
  mBtnGetFiles = large(single, QStringLiteral("mBtnGetFiles"), actGetFiles, Img::Files);
  mBtnGetPraticeGroup = large(single, QStringLiteral("mBtnGetPraticeGroup"), actGetPracticeGroup, Img::PracticeGroup);
  mBtnGetActivity = large(single, QStringLiteral("mBtnGetActivity"), actGetActivity, Img::Activity);

  auto quick = [this, r](const QString& name, QAction* action, Img image) {
    QToolButton* b = r->addQuickButton(action->text(), KaironIcon(image), name);
    connect(b, &QToolButton::clicked, this, [this, action] { runButton([action] { action->trigger(); }); });
    return b;
  };
  sBtnNew = quick(QStringLiteral("sBtnNew"), actNew, Img::New);
  sBtnEdit = quick(QStringLiteral("sBtnEdit"), actSetEdit, Img::Edit);
  sBtnCancel = quick(QStringLiteral("sBtnCancel"), actCancel, Img::Cancel);
  SBtnSave = quick(QStringLiteral("SBtnSave"), actSave, Img::Save);
  sBtnExit = quick(QStringLiteral("sBtnExit"), actExit, Img::Exit);
  AdvToolBarButton1 = quick(QStringLiteral("AdvToolBarButton1"), actInfo, Img::Information);
}

void TformTMSTB::createEntryPanel() {
  pnlTop = new QWidget(this);
  pnlTop->setObjectName(QStringLiteral("pnlTop"));
  pnlTop->setFixedHeight(kPanelHeight);
  QWidget* p = pnlTop;

  // Date label and day strip.
  lblDatum = new QLabel(QStringLiteral("Mo. 01.01.2012"), p);
  lblDatum->setObjectName(QStringLiteral("lblDatum"));
  QFont big = lblDatum->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  lblDatum->setFont(big);
  lblDatum->setAlignment(Qt::AlignCenter);
  lblDatum->setGeometry(0, 15, 209, 50);

  auto imageButton = [p](const QString& name, Img image, const QString& hint, const QRect& geometry) {
    auto* b = new QToolButton(p);
    b->setObjectName(name);
    b->setIcon(KaironIcon(image));
    b->setIconSize(QSize(28, 28));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    b->setGeometry(geometry);
    return b;
  };
  btnBack =
      imageButton(QStringLiteral("btnBack"), Img::Back, QStringLiteral("Eine Woche zurück"), QRect(215, 17, 42, 42));
  QFont dayFont = font();
  dayFont.setPointSizeF(dayFont.pointSizeF() * 0.9);
  for (int i = 0; i < 7; ++i) {
    const int tag = i + 2;
    auto* panel = new QFrame(p);
    panel->setObjectName(QStringLiteral("pnl%1").arg(tag));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setAutoFillBackground(true);
    panel->setGeometry(256 + 90 * i, 17, 90, 41);
    auto* b = new QPushButton(QStringLiteral("Montag\n12.12.2012"), panel);
    b->setObjectName(QStringLiteral("btn%1").arg(tag));
    b->setProperty("Tag", tag);
    b->setFont(dayFont);
    b->setAccessibleName(QStringLiteral("Montag 12.12.2012"));
    b->setGeometry(6, 3, 78, 35);
    connect(b, &QPushButton::clicked, this, &TformTMSTB::btn2Click);
    pnlDays[i] = panel;
    btnDays[i] = b;
  }
  btnForward =
      imageButton(QStringLiteral("btnForward"), Img::Forward, QStringLiteral("Eine Woche vor"), QRect(885, 17, 42, 42));
  btnDatepicker = imageButton(QStringLiteral("btnDatepicker"), Img::Calendar, QStringLiteral("Kalender zeigen"),
                              QRect(933, 17, 42, 41));

  checkShowAll = new QCheckBox(QStringLiteral("Zeige alle Zeiteeinträge ohen Datumsbeschränkung"), p);
  checkShowAll->setObjectName(QStringLiteral("checkShowAll"));
  checkShowAll->setGeometry(215, 65, 491, qMax(20, checkShowAll->sizeHint().height()));

  // The form: each label stands left of its field, right-aligned against it.
  auto place = [](QWidget* field, int x, int y, int w, int h) {
    const int height = qMax(h, field->sizeHint().height());
    field->setGeometry(x, y + (h - height) / 2, w, height);
  };
  auto label = [p](const QString& name, const QString& text, QWidget* field, bool top) {
    auto* l = new QLabel(text, p);
    l->setObjectName(name);
    l->setBuddy(field);
    const int w = l->sizeHint().width();
    if (top) {
      l->setAlignment(Qt::AlignRight | Qt::AlignTop);
      l->setGeometry(field->x() - 6 - w, field->y() + 3, w, l->sizeHint().height());
    } else {
      l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      l->setGeometry(field->x() - 6 - w, field->y(), w, field->height());
    }
    return l;
  };
  auto timeField = [this, p](const QString& name, const QString& accessible) {
    auto* e = new QLineEdit(QStringLiteral("0"), p);
    e->setObjectName(name);
    e->setAccessibleName(accessible);
    e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    e->setMaxLength(5);
    e->installEventFilter(this);
    return e;
  };
  auto chooser = [p](const QString& name, const QString& accessible, QAbstractItemModel* model) {
    auto* c = new QComboBox(p);
    c->setObjectName(name);
    c->setAccessibleName(accessible);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setMaxVisibleItems(20);
    c->setModel(model);
    c->setCurrentIndex(-1);
    // A load leaves the chooser without a choice (the combo box itself would
    // choose the first row).
    QObject::connect(model, &QAbstractItemModel::modelReset, c, [c] { c->setCurrentIndex(-1); });
    QObject::connect(model, &QAbstractItemModel::rowsInserted, c, [c](const QModelIndex&, int first, int last) {
      if (first == 0 && last - first + 1 == c->count()) c->setCurrentIndex(-1);
    });
    // A long choice shows its beginning (file number, name), not its end.
    QObject::connect(c, &QComboBox::currentIndexChanged, c, [c] {
      if (c->lineEdit()) c->lineEdit()->setCursorPosition(0);
    });
    return c;
  };

  edtReal = timeField(QStringLiteral("edtReal"), QStringLiteral("Zeit"));
  place(edtReal, 214, 101, 121, 21);
  Label1 = label(QStringLiteral("Label1"), QStringLiteral("Zeit:"), edtReal, false);
  edtInvoiced = timeField(QStringLiteral("edtInvoiced"), QStringLiteral("Abrechenbare Zeit"));
  place(edtInvoiced, 494, 101, 121, 21);
  Label2 = label(QStringLiteral("Label2"), QStringLiteral("Abrechenbare Zeit:"), edtInvoiced, false);

  cboxProject = chooser(QStringLiteral("cboxProject"), QStringLiteral("Mandat/Mandant"), &ws_->lbProjectID);
  place(cboxProject, 214, 128, 200, 21);
  Label3 = label(QStringLiteral("Label3"), QStringLiteral("Mandat/Mandant:"), cboxProject, false);
  cboxFile = chooser(QStringLiteral("cboxFile"), QStringLiteral("Akte"), &ws_->clboxFiles);
  place(cboxFile, 494, 128, 200, 21);
  Label4 = label(QStringLiteral("Label4"), QStringLiteral("Akte:"), cboxFile, false);
  cboxPracticeGroup =
      chooser(QStringLiteral("cboxPracticeGroup"), QStringLiteral("Practice Group"), &ws_->clboxPracticeGroup);
  place(cboxPracticeGroup, 214, 155, 200, 21);
  Label5 = label(QStringLiteral("Label5"), QStringLiteral("Practice Group:"), cboxPracticeGroup, false);
  cboxActivity = chooser(QStringLiteral("cboxActivity"), QStringLiteral("Aktivität"), &ws_->clboxActivity);
  place(cboxActivity, 494, 155, 200, 21);
  Label6 = label(QStringLiteral("Label6"), QStringLiteral("Aktivität:"), cboxActivity, false);

  const int memoTop = qMax(182, cboxPracticeGroup->geometry().bottom() + 3);
  memoActivity = new TMemo(p);
  memoActivity->setObjectName(QStringLiteral("memoActivity"));
  memoActivity->setAccessibleName(QStringLiteral("Tätigkeit"));
  memoActivity->setMaxLength(kMemoActivityMax);
  memoActivity->setGeometry(214, memoTop, 480, 67 - (memoTop - 182));
  Label7 = label(QStringLiteral("Label7"), QStringLiteral("Tätigkeit:"), memoActivity, true);
  memoNote = new TMemo(p);
  memoNote->setObjectName(QStringLiteral("memoNote"));
  memoNote->setAccessibleName(QStringLiteral("Notiz zur Tätigkeit"));
  memoNote->setGeometry(214, 255, 480, 66);
  Label8 = label(QStringLiteral("Label8"), QStringLiteral("Notiz zur Tätigkeit:"), memoNote, true);

  // Work mode and its buttons.
  lblModus = new QLabel(QStringLiteral("ZEIGEN"), p);
  lblModus->setObjectName(QStringLiteral("lblModus"));
  QFont modeFont = lblModus->font();
  modeFont.setBold(true);
  modeFont.setPointSizeF(modeFont.pointSizeF() * 1.2);
  lblModus->setFont(modeFont);
  lblModus->setAlignment(Qt::AlignCenter);
  lblModus->setGeometry(732, 140, 139, 25);

  auto panelButton = [this, p](const QString& name, QAction* action, Img image, int y) {
    auto* b = new QPushButton(KaironIcon(image), action->text(), p);
    b->setObjectName(name);
    b->setAccessibleName(action->text());
    b->setIconSize(QSize(16, 16));
    b->setAutoDefault(false);
    b->setGeometry(732, y, 139, 30);
    connect(b, &QPushButton::clicked, this, [this, action] { runButton([action] { action->trigger(); }); });
    return b;
  };
  btnNew = panelButton(QStringLiteral("btnNew"), actNew, Img::New, 183);
  btnEdit = panelButton(QStringLiteral("btnEdit"), actSetEdit, Img::Edit, 219);
  btnCancel = panelButton(QStringLiteral("btnCancel"), actCancel, Img::Cancel, 255);
  btnSave = panelButton(QStringLiteral("btnSave"), actSave, Img::Save, 291);

  // Start-up panel and calendar lie over the form.
  pnlStart = new QGroupBox(QStringLiteral("Information"), p);
  pnlStart->setObjectName(QStringLiteral("pnlStart"));
  pnlStart->setAutoFillBackground(true);
  QPalette startPal = pnlStart->palette();
  startPal.setColor(QPalette::Window, startPal.color(QPalette::Base));
  pnlStart->setPalette(startPal);
  QFont startFont = pnlStart->font();
  startFont.setBold(true);
  pnlStart->setFont(startFont);
  auto* startLayout = new QVBoxLayout(pnlStart);
  auto* startText = new QLabel(QStringLiteral("Daten werden geladen"), pnlStart);
  startText->setAlignment(Qt::AlignCenter);
  QFont textFont = startText->font();
  textFont.setBold(false);
  startText->setFont(textFont);
  startLayout->addWidget(startText);
  pnlStart->setGeometry(345, 177, 256, 72);
  pnlStart->hide();

  calSelect = new QCalendarWidget(p);
  calSelect->setObjectName(QStringLiteral("calSelect"));
  calSelect->setAccessibleName(QStringLiteral("Kalender"));
  calSelect->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
  calSelect->setFirstDayOfWeek(Qt::Monday);
  calSelect->setGridVisible(false);
  calSelect->setLocale(QLocale(QLocale::German, QLocale::Germany));
  calSelect->setAutoFillBackground(true);
  const QSize calSize = calSelect->sizeHint().expandedTo(QSize(198, 160));
  calSelect->setGeometry(kClientWidth - 5 - calSize.width(), 65, calSize.width(), calSize.height());
  calSelect->hide();
}

void TformTMSTB::createEntryList() {
  lvTimeEntries = new QTableView(this);
  lvTimeEntries->setObjectName(QStringLiteral("lvTimeEntries"));
  lvTimeEntries->setAccessibleName(QStringLiteral("Zeiteinträge"));
  lvTimeEntries->setModel(&ws_->lvTimeEntries);
  lvTimeEntries->setShowGrid(true);
  lvTimeEntries->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvTimeEntries->setSelectionMode(QAbstractItemView::SingleSelection);
  lvTimeEntries->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvTimeEntries->setWordWrap(false);
  lvTimeEntries->setTabKeyNavigation(false);
  lvTimeEntries->verticalHeader()->hide();
  lvTimeEntries->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  lvTimeEntries->verticalHeader()->setDefaultSectionSize(lvTimeEntries->fontMetrics().height() + 6);
  lvTimeEntries->horizontalHeader()->setHighlightSections(false);
  lvTimeEntries->horizontalHeader()->setStretchLastSection(false);
  // The given widths, widened where this font needs more room for the caption or a date.
  const QFontMetrics fm = lvTimeEntries->fontMetrics();
  const QFontMetrics hm = lvTimeEntries->horizontalHeader()->fontMetrics();
  for (int c = 0; c < TimeEntryModel::kColumns; ++c) {
    const QString caption = ws_->lvTimeEntries.headerData(c, Qt::Horizontal).toString();
    int width = qMax(kColumnWidths[c], hm.horizontalAdvance(caption) + 14);
    if (c == TimeEntryModel::colDatum) width = qMax(width, fm.horizontalAdvance(QStringLiteral("00.00.0000")) + 12);
    lvTimeEntries->setColumnWidth(c, width);
  }
  // The selection stays visible when the list has no focus.
  QPalette pal = lvTimeEntries->palette();
  pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
  pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
  lvTimeEntries->setPalette(pal);
  // Locked rows: the tooltip background of the palette.
  ws_->lvTimeEntries.setLockedColour(QToolTip::palette().color(QPalette::Inactive, QPalette::ToolTipBase));

  lvTimeEntries->setContextMenuPolicy(Qt::CustomContextMenu);
  menuEntryAdditional = new QMenu(this);
  menuEntryAdditional->setObjectName(QStringLiteral("menuEntryAdditional"));
  EntryDelete = menuEntryAdditional->addAction(QStringLiteral("Zeieintrag löschen"));
  EntryDelete->setObjectName(QStringLiteral("EntryDelete"));
  EntryLock = menuEntryAdditional->addAction(QStringLiteral("Zeiteintrag sperren/entsperren"));
  EntryLock->setObjectName(QStringLiteral("EntryLock"));

  lvTimeEntries->installEventFilter(this);
  lvTimeEntries->viewport()->installEventFilter(this);
}

void TformTMSTB::createStatusBar() {
  auto* bar = new QStatusBar(this);
  bar->setObjectName(QStringLiteral("stBarStandard"));
  bar->setSizeGripEnabled(true);
  const std::array<int, 4> widths{80, 100, 130, 50};
  const std::array<QString, 4> texts{QStringLiteral("Kairon"), QStringLiteral("0 Einträge"), QString(), QString()};
  for (int i = 0; i < 4; ++i) {
    auto* panel = new QLabel(texts[i], bar);
    panel->setObjectName(QStringLiteral("stBarPanel%1").arg(i));
    panel->setFixedWidth(widths[i]);
    panel->setContentsMargins(3, 0, 3, 0);
    if (i == 1) panel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    bar->addWidget(panel);
    stBarStandard[i] = panel;
  }
  setStatusBar(bar);
}

void TformTMSTB::connectHandlers() {
  connect(btnBack, &QToolButton::clicked, this, [this] { runButton([this] { btnBackClick(); }); });
  connect(btnForward, &QToolButton::clicked, this, [this] { runButton([this] { btnForwardClick(); }); });
  connect(btnDatepicker, &QToolButton::clicked, this, [this] { runButton([this] { btnDatepickerClick(); }); });
  connect(calSelect, &QCalendarWidget::activated, this, [this] { runButton([this] { calSelectDblClick(); }); });
  connect(checkShowAll, &QCheckBox::clicked, this, [this](bool checked) {
    // A click that is void leaves the box as it was.
    if (pendingRefocus_)
      checkShowAll->setChecked(!checked);
    else
      checkShowAllClick();
  });
  // Only a choice of the user runs the change handler; a position set by the
  // program does not.
  connect(cboxProject, &QComboBox::activated, this, [this] { cboxProjectChange(); });
  connect(lvTimeEntries, &QTableView::customContextMenuRequested, this, &TformTMSTB::showEntryMenu);
  connect(EntryDelete, &QAction::triggered, this, &TformTMSTB::EntryDeleteClick);
  connect(EntryLock, &QAction::triggered, this, &TformTMSTB::EntryLockClick);

  // Keyboard: the shortcuts follow the enabled state of the buttons.
  auto shortcut = [this](const QKeySequence& keys, QAbstractButton* button, QAction* action) {
    auto* s = new QShortcut(keys, this);
    s->setContext(Qt::WindowShortcut);
    connect(s, &QShortcut::activated, this, [this, button, action] {
      if (button->isEnabled()) runButton([action] { action->trigger(); });
    });
    return s;
  };
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_N), btnNew, actNew);
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_S), btnSave, actSave);
  shortcut(QKeySequence(Qt::Key_Escape), btnCancel, actCancel);
}

void TformTMSTB::setTabOrderOfPanel() {
  QList<QWidget*> chain;
  for (QPushButton* b : btnDays) chain << b;
  chain << edtReal << edtInvoiced << cboxProject << cboxFile << cboxPracticeGroup << cboxActivity << memoActivity
        << memoNote << checkShowAll << btnNew << btnCancel << btnSave << btnEdit << lvTimeEntries << calSelect;
  for (int i = 0; i + 1 < chain.size(); ++i) setTabOrder(chain[i], chain[i + 1]);
}

std::array<QAbstractButton*, 3> TformTMSTB::buttonsOf(ModeCommand command) const {
  switch (command) {
    case ModeCommand::New:
      return {btnNew, sBtnNew, MbtnNew};
    case ModeCommand::Edit:
      return {btnEdit, sBtnEdit, mBtnEdit};
    case ModeCommand::Cancel:
      return {btnCancel, sBtnCancel, mBtnCancel};
    case ModeCommand::Save:
      return {btnSave, SBtnSave, mBtnSave};
  }
  return {btnNew, sBtnNew, MbtnNew};
}

// ---------------------------------------------------------------------------
// Running commands

bool TformTMSTB::run(const std::function<void()>& command) {
  return RunCommand(*prompter_, command);
}

void TformTMSTB::runButton(const std::function<void()>& command) {
  // A time field that refused its text takes the focus back; the click that
  // tried to leave it does nothing.
  if (pendingRefocus_) return;
  command();
}

bool TformTMSTB::FormCreate(const QString& databasePath) {
  bool opened = false;
  run([&] { opened = startup_->FormCreate(databasePath); });
  if (opened) Timer1.start();
  return opened;
}

void TformTMSTB::Timer1Timer() {
  Timer1.stop();
  run([this] { startup_->Timer1Timer(); });
}

void TformTMSTB::terminate() {
  terminating_ = true;
  Timer1.stop();
  // The running step returns first; then the window closes without the check.
  QMetaObject::invokeMethod(
      this,
      [this] {
        close();
        QCoreApplication::quit();
      },
      Qt::QueuedConnection);
}

void TformTMSTB::closeMainWindow() {
  close();
}

void TformTMSTB::closeEvent(QCloseEvent* event) {
  bool allow = terminating_;
  if (!allow) run([&] { allow = startup_->FormCloseQuery(); });
  if (allow)
    event->accept();
  else
    event->ignore();
}

void TformTMSTB::actExitExecute() {
  run([this] { startup_->actExitExecute(); });
}

void TformTMSTB::actNewExecute() {
  run([this] { ws_->actNewExecute(); });
}

void TformTMSTB::actSaveExecute() {
  // The text of the field being typed in counts only once it has been checked.
  if (!checkFocusedTimeField()) return;
  run([this] { ws_->actSaveExecute(); });
}

void TformTMSTB::actCancelExecute() {
  run([this] { ws_->actCancelExecute(); });
}

void TformTMSTB::actEditExecute() {
  run([this] { ws_->actEditExecute(); });
}

void TformTMSTB::actSetEditExecute() {
  run([this] { ws_->actSetEditExecute(); });
}

void TformTMSTB::actTransmitExecute() {
  run([this] { sync_->actTransmitExecute(); });
}

void TformTMSTB::actAuthenticateExecute() {
  run([this] { sync_->actAuthenticateExecute(); });
}

void TformTMSTB::actGetAllDatesExecute() {
  run([this] { sync_->actGetAllDatesExecute(); });
}

void TformTMSTB::actGetProjectExecute() {
  run([this] { sync_->actGetProjectExecute(); });
}

void TformTMSTB::actGetFilesExecute() {
  run([this] { sync_->actGetFilesExecute(); });
}

void TformTMSTB::actGetPracticeGroupExecute() {
  run([this] { sync_->actGetPracticeGroupExecute(); });
}

void TformTMSTB::actGetActivityExecute() {
  run([this] { sync_->actGetActivityExecute(); });
}

void TformTMSTB::actInfoExecute() {
  run([this] {
    TDialogAbout dialog(this);
    dialog.exec();
  });
}

void TformTMSTB::btn2Click() {
  const QObject* sender = QObject::sender();
  const int tag = sender ? sender->property("Tag").toInt() : 0;
  runButton([this, tag] { run([this, tag] { ws_->btn2Click(tag); }); });
}

void TformTMSTB::btnBackClick() {
  run([this] { ws_->btnBackClick(); });
}

void TformTMSTB::btnForwardClick() {
  run([this] { ws_->btnForwardClick(); });
}

void TformTMSTB::btnDatepickerClick() {
  run([this] { ws_->btnDatepickerClick(); });
}

void TformTMSTB::calSelectDblClick() {
  run([this] { ws_->calSelectDblClick(); });
}

void TformTMSTB::checkShowAllClick() {
  run([this] { ws_->checkShowAllClick(); });
}

void TformTMSTB::cboxProjectChange() {
  run([this] { ws_->cboxProjectChange(); });
}

void TformTMSTB::lvTimeEntriesClick() {
  run([this] { ws_->lvTimeEntriesClick(); });
}

void TformTMSTB::EntryDeleteClick() {
  run([this] { ws_->EntryDeleteClick(); });
}

void TformTMSTB::EntryLockClick() {
  run([this] { ws_->EntryLockClick(); });
}

void TformTMSTB::showEntryMenu(const QPoint& pos) {
  // Also with no row selected: the commands then say so.
  menuEntryAdditional->popup(lvTimeEntries->viewport()->mapToGlobal(pos));
}

// ---------------------------------------------------------------------------
// Events

bool TformTMSTB::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edtReal || watched == edtInvoiced) {
    if (timeFieldEvent(static_cast<QLineEdit*>(watched), event)) return true;
  } else if (watched == lvTimeEntries->viewport()) {
    if (event->type() == QEvent::MouseButtonPress) {
      auto* me = static_cast<QMouseEvent*>(event);
      // A click beside the rows leaves no row selected.
      if (!lvTimeEntries->indexAt(me->position().toPoint()).isValid()) {
        lvTimeEntries->clearSelection();
        lvTimeEntries->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
      }
    } else if (event->type() == QEvent::MouseButtonRelease) {
      auto* me = static_cast<QMouseEvent*>(event);
      // The click is handled once the list has taken the mouse release.
      if (me->button() == Qt::LeftButton && !pendingRefocus_)
        QMetaObject::invokeMethod(this, &TformTMSTB::lvTimeEntriesClick, Qt::QueuedConnection);
    }
  } else if (watched == lvTimeEntries && event->type() == QEvent::KeyPress) {
    auto* ke = static_cast<QKeyEvent*>(event);
    if (ke->modifiers() == Qt::NoModifier || ke->modifiers() == Qt::KeypadModifier) {
      switch (ke->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
          lvTimeEntriesClick();
          return true;
        case Qt::Key_Delete:
          EntryDeleteClick();
          return true;
        default:
          break;
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

bool TformTMSTB::timeFieldEvent(QLineEdit* edit, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* ke = static_cast<QKeyEvent*>(event);
      const QString typed = ke->text();
      // Keys that stand for no character (arrows, Delete, Home, End, Tab) are not
      // filtered; Enter and Escape are, like every other control character.
      if (typed.isEmpty()) return false;
      const int key = ke->key();
      if (key >= Qt::Key_Escape && key <= Qt::Key_Direction_R && key != Qt::Key_Escape && key != Qt::Key_Return &&
          key != Qt::Key_Enter && key != Qt::Key_Backspace)
        return false;
      QString passed;
      for (QChar c : typed)
        if (const std::optional<QChar> f = FilterTimeKey(c)) passed += *f;
      if (passed == typed) return false;
      // A full stop arrives as a comma; everything else that was filtered out is swallowed.
      if (!passed.isEmpty()) {
        QKeyEvent replaced(QEvent::KeyPress, Qt::Key_Comma, ke->modifiers(), passed, ke->isAutoRepeat(),
                           ushort(passed.size()));
        QCoreApplication::sendEvent(edit, &replaced);
      }
      return true;
    }
    case QEvent::FocusOut: {
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      // Another window or a pop-up taking the focus does not leave the field;
      // nor does the program moving the focus.
      if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return false;
      if (refocusing_ || inTimeFieldExit_) return false;
      deferRefocus_ = true;
      runTimeFieldExit(edit);
      deferRefocus_ = false;
      return false;
    }
    default:
      return false;
  }
}

bool TformTMSTB::runTimeFieldExit(QLineEdit* edit) {
  if (inTimeFieldExit_) return true;
  inTimeFieldExit_ = true;
  bool accepted = false;
  run([&] { accepted = edit == edtReal ? ws_->edtRealExit() : ws_->edtInvoicedExit(); });
  inTimeFieldExit_ = false;
  return accepted;
}

bool TformTMSTB::checkFocusedTimeField() {
  if (pendingRefocus_) return false;
  QWidget* focused = focusWidget();
  if (focused == edtReal || focused == edtInvoiced) return runTimeFieldExit(static_cast<QLineEdit*>(focused));
  return true;
}

void TformTMSTB::applyRefocus() {
  QPointer<QWidget> target = pendingRefocus_;
  pendingRefocus_ = nullptr;
  if (!target) return;
  refocusing_ = true;
  target->setFocus(Qt::OtherFocusReason);
  refocusing_ = false;
  if (auto* e = qobject_cast<QLineEdit*>(target.data())) e->selectAll();
}

// ---------------------------------------------------------------------------
// IMainView

QWidget* TformTMSTB::widgetOf(FormField field) const {
  switch (field) {
    case FormField::edtReal:
      return edtReal;
    case FormField::edtInvoiced:
      return edtInvoiced;
    case FormField::cboxProject:
      return cboxProject;
    case FormField::cboxFile:
      return cboxFile;
    case FormField::cboxPracticeGroup:
      return cboxPracticeGroup;
    case FormField::cboxActivity:
      return cboxActivity;
    case FormField::memoActivity:
      return memoActivity;
    case FormField::memoNote:
      return memoNote;
  }
  return edtReal;
}

QComboBox* TformTMSTB::chooserOf(FormField chooser) const {
  return qobject_cast<QComboBox*>(widgetOf(chooser));
}

QString TformTMSTB::fieldText(FormField field) const {
  QWidget* w = widgetOf(field);
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* m = qobject_cast<TMemo*>(w)) return m->storedText();
  if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
  return {};
}

void TformTMSTB::setFieldText(FormField field, const QString& text) {
  QWidget* w = widgetOf(field);
  if (auto* e = qobject_cast<QLineEdit*>(w)) {
    e->setText(text);
    // A text the program puts into the field being typed in is typed over.
    if (e->hasFocus()) e->selectAll();
  } else if (auto* m = qobject_cast<TMemo*>(w)) {
    m->setStoredText(text);
  } else if (auto* c = qobject_cast<QComboBox*>(w)) {
    c->setEditText(text);
  }
}

int TformTMSTB::chooserIndex(FormField chooser) const {
  const QComboBox* c = chooserOf(chooser);
  if (!c) return -1;
  const int index = c->currentIndex();
  const QString text = c->currentText();
  // The user may have typed over the choice: only a text that names an entry counts.
  if (index >= 0 && c->itemText(index) == text) return index;
  if (text.isEmpty()) return -1;
  return c->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void TformTMSTB::setChooserIndex(FormField chooser, int index) {
  QComboBox* c = chooserOf(chooser);
  if (!c) return;
  c->setCurrentIndex(index >= 0 && index < c->count() ? index : -1);
}

void TformTMSTB::focusField(FormField field) {
  QWidget* w = widgetOf(field);
  if (deferRefocus_) {
    // Called while the focus is moving away: it comes back once that move is done.
    pendingRefocus_ = w;
    QTimer::singleShot(0, this, &TformTMSTB::applyRefocus);
    return;
  }
  pendingRefocus_ = w;
  applyRefocus();
}

void TformTMSTB::setCommandEnabled(ModeCommand command, bool enabled) {
  for (QAbstractButton* b : buttonsOf(command)) b->setEnabled(enabled);
}

void TformTMSTB::setModeLabel(const QString& text) {
  lblModus->setText(text);
}

void TformTMSTB::showRibbonPage(int index) {
  AdvToolBarPager1->setCurrentIndex(index);
}

void TformTMSTB::setDateLabel(const QString& text) {
  lblDatum->setText(text);
}

void TformTMSTB::setDayButton(int tag, const QString& caption, bool selected) {
  if (tag < 2 || tag > 8) return;
  const int i = tag - 2;
  btnDays[i]->setText(dayButtonText(caption));
  btnDays[i]->setAccessibleName(caption);
  btnDays[i]->setProperty("caption", caption);
  QPalette pal = pnlDays[i]->palette();
  const QPalette base = palette();
  pal.setColor(QPalette::Window, selected ? QColor(Qt::white)
                                          : blend(base.color(QPalette::Window), base.color(QPalette::Highlight), 0.22));
  pnlDays[i]->setPalette(pal);
}

void TformTMSTB::showCalendar(const QDate& date) {
  calSelect->setSelectedDate(date);
  calSelect->show();
  calSelect->raise();
}

void TformTMSTB::hideCalendar() {
  calSelect->hide();
}

QDate TformTMSTB::calendarDate() const {
  return calSelect->selectedDate();
}

bool TformTMSTB::showAllChecked() const {
  return checkShowAll->isChecked();
}

void TformTMSTB::setShowAllChecked(bool checked) {
  checkShowAll->setChecked(checked);
}

int TformTMSTB::selectedEntryRow() const {
  const QModelIndexList rows = lvTimeEntries->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void TformTMSTB::setStatusCount(const QString& text) {
  stBarStandard[1]->setText(text);
}

void TformTMSTB::setStartPanelVisible(bool visible) {
  pnlStart->setVisible(visible);
  if (visible) {
    pnlStart->raise();
    // Painted at once: the lists are loaded right after.
    if (isVisible()) repaint();
  }
}

}  // namespace kairon
