#include "app/startup.h"

#include <QDir>
#include <QFileInfo>

#include "common/global.h"
#include "common/prompter.h"
#include "store/dmMain.h"
#include "sync/session.h"
#include "workspace/workspace.h"

namespace kairon {

namespace {
const QString kNoDatabase = QStringLiteral("Lokale Datenbank wurde nicht gefunden!\r\nProgramm wird beendet!");
const QString kNoConfig = QStringLiteral("Konfiguration konnte nicht ausgelesen werden!\r\nProgramm wird beendet!");
const QString kUnsaved = QStringLiteral("Daten sind noch nicht gespeichert!\r\nWollen Sie das Programm beenden?");
const QString kNoProjects = QStringLiteral(
    "Es konnten keine Mandate/Mandaten lokal gefunden werden!\r\nAktualisieren Sie Ihre Daten mit dem Server!");
const QString kNoFiles =
    QStringLiteral("Es konnten keine Akten lokal gefunden werden!\r\nAktualisieren Sie Ihre Daten mit dem Server!");
const QString kNoActivities = QStringLiteral(
    "Es konnten keine Aktivitäten lokal gefunden werden!\r\nAktualisieren Sie Ihre Daten mit dem Server!");
const QString kNoPracticeGroups = QStringLiteral(
    "Es konnten keine PracticeGroups lokal gefunden werden!\r\nAktualisieren Sie Ihre Daten mit dem Server!");
}  // namespace

Startup::Startup(TDataModuleMain& dm, TimeWorkspace& ws, AuthSession& auth, IPrompter& prompter, IAppControl& app)
    : dm_(dm), ws_(ws), auth_(auth), prompter_(prompter), app_(app) {}

QString Startup::DatabasePathFor(const QString& programPath) {
  const QFileInfo info(programPath);
  QString base = info.fileName();
  const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
  if (dot > 0) base.truncate(dot);
  return info.absoluteDir().filePath(base + QStringLiteral(".db3"));
}

bool Startup::FormCreate(const QString& databasePath) {
  try {
    dm_.Open(databasePath);
  } catch (...) {
    prompter_.showError(kNoDatabase);
    endProgram();
    return false;
  }
  ws_.dtDatum = QDate::currentDate();
  ws_.strToken.clear();
  ws_.view().setShowAllChecked(false);
  ws_.intModus = wmShow;
  ws_.intEntryID = -1;
  ws_.SetWorkMode(wmShow);
  state_ = State::Waiting;
  return true;
}

void Startup::endProgram() {
  state_ = State::Ending;
  app_.terminate();
}

void Startup::Timer1Timer() {
  // The timer is stopped first: the step runs exactly once.
  if (timerRan_) return;
  timerRan_ = true;
  if (state_ != State::Waiting) return;
  const bool completed = RunCommand(prompter_, [this] { runStartupStep(); });
  if (!completed) {
    ws_.view().setStartPanelVisible(false);
    if (state_ != State::Ending) state_ = State::StoppedHalfWay;
  }
}

void Startup::runStartupStep() {
  state_ = State::ReadingConfiguration;
  TQuery config(dm_, sql::qry_Config);
  config.Open();
  if (config.IsEmpty()) {
    config.Close();
    prompter_.showError(kNoConfig);
    endProgram();
    return;
  }
  ws_.strURL.clear();
  while (!config.Eof()) {
    const QString desc = config.asString(QStringLiteral("fielddesc"));
    if (desc == QLatin1String("url"))
      ws_.strURL = config.asString(QStringLiteral("fieldvalue"));
    else if (desc == QLatin1String("authkey"))
      ws_.strToken = DecodeDecimalText(config.asString(QStringLiteral("fieldvalue")));
    config.Next();
  }
  config.Close();
  if (ws_.strURL.isEmpty()) {
    prompter_.showError(kNoConfig);
    endProgram();
    return;
  }

  if (ws_.strToken.isEmpty()) {
    state_ = State::Authenticating;
    auth_.intLoginAttempts = 1;
    // At most three dialogs: each confirmed one counts, a cancelled one sets 4.
    for (int round = 0; authenticate && round < 3 && auth_.intLoginAttempts != 4 && ws_.strToken.isEmpty(); ++round)
      authenticate();
    if (ws_.strToken.isEmpty()) {
      endProgram();
      return;
    }
  }

  state_ = State::Loading;
  ws_.view().setStartPanelVisible(true);
  if (!ws_.LoadProjects()) prompter_.showInfo(kNoProjects);
  if (!ws_.LoadFiles(-1)) prompter_.showInfo(kNoFiles);
  if (!ws_.LoadActivities()) prompter_.showInfo(kNoActivities);
  if (!ws_.LoadPracticeGroups()) prompter_.showInfo(kNoPracticeGroups);
  ws_.ShowDay(ws_.dtDatum);
  ws_.RefreshEntryList();
  ws_.view().setStartPanelVisible(false);
  ws_.view().showRibbonPage(1);
  state_ = State::Ready;
}

bool Startup::FormCloseQuery() {
  if (state_ == State::Ending) return true;
  if (ws_.intModus == wmShow) return true;
  return prompter_.confirm(kUnsaved);
}

void Startup::actExitExecute() {
  app_.closeMainWindow();
  ws_.SetWorkMode(ws_.intModus);
}

}  // namespace kairon
