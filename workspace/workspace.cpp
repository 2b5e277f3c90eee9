#include "workspace/workspace.h"

#include <QHash>
#include <QLocale>
#include <algorithm>
#include <cstring>

#include "common/errors.h"
#include "common/prompter.h"
#include "store/dmMain.h"
#include "workspace/timefields.h"

namespace kairon {

namespace {

const QString kNoValue = QStringLiteral("-----");
const QString kLocked = QStringLiteral("locked");

// Messages of the entry form.
const QString kCannotEdit = QStringLiteral("Zeiteintrag kann nicht bearbeitet werden!");
const QString kSaveFailed = QStringLiteral("Fehler beim Speichern der Daten!");
// Time fields.
const QString kEmptyField = QStringLiteral("Feld darf nicht leer sein!");
const QString kBadFormat = QStringLiteral("Format der Eingabe wird nicht unterstützt!");
const QString kOutOfRange = QStringLiteral("Wert liegt außerhalb des Wertebereiches(1-1440)!");
const QString kInvoicedTooLarge =
    QStringLiteral("Abrechenbare Zeit ist größer als die Arbeitszeit!\r\nNicht unterstützt!");
// Entry list.
const QString kNoEntrySelected = QStringLiteral("Kein Zeiteintrag ausgewählt");
const QString kWrongMode = QStringLiteral("Falscher Bearbeitungsmodus - Abbrechen oder Speichern?");
// Deletion and locking.
const QString kSelectEntry = QStringLiteral("Zeiteintrag auswählen!");
const QString kNoDeleteInMode =
    QStringLiteral("Sie befinden sich noch im Modus Neu oder Bearbeiten!\r\nLöschen nicht möglich!");
const QString kConfirmDelete = QStringLiteral("Diesen Zeiteintrag unwiderruflich löschen?");
const QString kDeleteFailed = QStringLiteral("Zeiteintrag konnte nicht gelöscht werden!");
const QString kNoLockInMode =
    QStringLiteral("Sie befinden sich noch im Modus Neu oder Bearbeiten!\r\nSperren/Entsperren nicht möglich!");
const QString kLockFailed = QStringLiteral("Sperrstatus des Zeiteintrags konnte nicht geändert werden!");

constexpr int kMaxMinutes = 1440;

const QString kListHead = QStringLiteral(
    "SELECT tblTimeEntries.id, tblTimeEntries.system_user_id, tblTimeEntries.project_id, tblTimeEntries.file_id, "
    "tblTimeEntries.location_id, tblTimeEntries.pratice_group_id, tblTimeEntries.activity_id, "
    "tblTimeEntries.activity, tblTimeEntries.note, tblTimeEntries.real_time, tblTimeEntries.invoice_time, "
    "tblTimeEntries.hash_id, tblTimeEntries.import_yn, tblTimeEntries.time, tblTimeEntries.locked, "
    "tblProject.projekt_name, tblPractice_Group.practice_group_name, tblActivity.activity_name, "
    "tblFiles.file_number, tblFiles.file_name FROM tblActivity INNER JOIN tblTimeEntries ON (tblActivity.id = "
    "tblTimeEntries.activity_id) INNER JOIN tblPractice_Group ON (tblTimeEntries.pratice_group_id = "
    "tblPractice_Group.id) INNER JOIN tblFiles ON (tblTimeEntries.file_id = tblFiles.id) INNER JOIN tblProject ON "
    "(tblTimeEntries.project_id = tblProject.id) WHERE import_yn = 0");

const std::array<QString, 7> kShortDays{QStringLiteral("Mo"), QStringLiteral("Di"), QStringLiteral("Mi"),
                                        QStringLiteral("Do"), QStringLiteral("Fr"), QStringLiteral("Sa"),
                                        QStringLiteral("So")};
const std::array<QString, 7> kLongDays{
    QStringLiteral("Montag"),  QStringLiteral("Dienstag"), QStringLiteral("Mittwoch"), QStringLiteral("Donnerstag"),
    QStringLiteral("Freitag"), QStringLiteral("Samstag"),  QStringLiteral("Sonntag")};

QString DottedDate(const QDate& day) {
  return day.toString(QStringLiteral("dd.MM.yyyy"));
}

int ClampToInt(qint64 v) {
  return int(std::clamp<qint64>(v, INT32_MIN, INT32_MAX));
}

bool IsDigit(QChar c) {
  return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The stored day (yyyy-mm-dd) as dd.mm.yyyy; empty when it is no date.
QString ListDayText(const QString& stored) {
  if (stored.size() >= 10 && stored[4] == QLatin1Char('-') && stored[7] == QLatin1Char('-')) {
    bool digits = true;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9}) digits = digits && IsDigit(stored[i]);
    if (digits) {
      const int y = QStringView(stored).mid(0, 4).toInt();
      const int m = QStringView(stored).mid(5, 2).toInt();
      const int d = QStringView(stored).mid(8, 2).toInt();
      if (QDate(y, m, d).isValid()) {
        QString out;
        out.reserve(10);
        out.append(QStringView(stored).mid(8, 2))
            .append(QLatin1Char('.'))
            .append(QStringView(stored).mid(5, 2))
            .append(QLatin1Char('.'))
            .append(QStringView(stored).mid(0, 4));
        return out;
      }
    }
  }
  return {};
}

// A text of the list made once per distinct stored value and then shared by
// every row that shows it. The stored bytes are kept to check each hit.
struct SharedText {
  bool known = false;
  QByteArray source;
  QString text;
};

// The text of a name column, converted once per id: within one run of the list
// query the row an id joins is the same for every entry, so a list of many
// entries reads each project, practice group and activity name once.
const QString& NameText(QHash<qint64, QString>& cache, qint64 id, const TQuery& q, int column) {
  const auto it = cache.constFind(id);
  if (it != cache.constEnd()) return it.value();
  const QByteArrayView stored = q.utf8At(column);
  return cache.insert(id, stored.isEmpty() ? kNoValue : Utf8Text(stored)).value();
}

// Reads the open list query into rows, by column positions looked up once. The
// texts are read as UTF-8 bytes, and equal values share one text.
void ReadListRows(TQuery& q, QVector<TimeEntryModel::Row>& rows) {
  const int cId = q.column(QStringLiteral("id"));
  const int cProjectId = q.column(QStringLiteral("project_id"));
  const int cGroupId = q.column(QStringLiteral("pratice_group_id"));
  const int cActivityId = q.column(QStringLiteral("activity_id"));
  const int cTime = q.column(QStringLiteral("time"));
  const int cRealTime = q.column(QStringLiteral("real_time"));
  const int cLocked = q.column(QStringLiteral("locked"));
  const int cProject = q.column(QStringLiteral("projekt_name"));
  const int cFileNumber = q.column(QStringLiteral("file_number"));
  const int cFileName = q.column(QStringLiteral("file_name"));
  const int cGroup = q.column(QStringLiteral("practice_group_name"));
  const int cActivity = q.column(QStringLiteral("activity_name"));

  const QLocale locale;
  const QString decimalPoint = locale.decimalPoint();
  const QString negativeSign = locale.negativeSign();

  QHash<qint64, QString> projects, groups, activities;
  SharedText day;
  std::vector<std::pair<QString, QString>> minuteTexts(kMaxMinutes + 1);
  QByteArray file;

  for (; !q.Eof(); q.Next()) {
    TimeEntryModel::Row& r = rows.emplace_back();
    r.id = q.integerAt(cId);

    // The rows come sorted by day, so the day of the row before mostly fits.
    const QByteArrayView stored = q.utf8At(cTime);
    if (!day.known || stored != day.source) {
      day.known = true;
      day.source = stored.toByteArray();
      day.text = ListDayText(QString::fromUtf8(stored));
    }
    r.text[TimeEntryModel::colDatum] = day.text;

    const qint64 minutes = q.integerAt(cRealTime);
    if (minutes >= 0 && minutes <= kMaxMinutes) {
      auto& texts = minuteTexts[size_t(minutes)];
      if (texts.second.isNull()) {
        texts.first = IndustrialHoursText(minutes, decimalPoint, negativeSign);
        texts.second = QString::number(minutes);
      }
      r.text[TimeEntryModel::colIndustrie] = texts.first;
      r.text[TimeEntryModel::colMinute] = texts.second;
    } else {
      r.text[TimeEntryModel::colIndustrie] = IndustrialHoursText(minutes, decimalPoint, negativeSign);
      r.text[TimeEntryModel::colMinute] = QString::number(minutes);
    }

    r.text[TimeEntryModel::colProject] = NameText(projects, q.integerAt(cProjectId), q, cProject);
    // File number, " - " and file name; "-----" when that is all there is.
    const QByteArrayView number = q.utf8At(cFileNumber);
    const QByteArrayView name = q.utf8At(cFileName);
    if (number.isEmpty() && name.isEmpty()) {
      r.text[TimeEntryModel::colFile] = kNoValue;
    } else {
      const qsizetype size = number.size() + 3 + name.size();
      if (file.size() < size) file.resize(size);
      char* p = file.data();
      std::memcpy(p, number.data(), size_t(number.size()));
      std::memcpy(p + number.size(), " - ", 3);
      std::memcpy(p + number.size() + 3, name.data(), size_t(name.size()));
      r.text[TimeEntryModel::colFile] = Utf8Text(QByteArrayView(p, size));
    }
    r.text[TimeEntryModel::colPracticeGroup] = NameText(groups, q.integerAt(cGroupId), q, cGroup);
    r.text[TimeEntryModel::colActivity] = NameText(activities, q.integerAt(cActivityId), q, cActivity);
    r.text[TimeEntryModel::colLock] = q.integerAt(cLocked) != 0 ? kLocked : kNoValue;
  }
}

}  // namespace

QString ShortDayName(const QDate& day) {
  const int d = day.dayOfWeek();
  return d >= 1 && d <= 7 ? kShortDays[d - 1] : QString();
}

QString LongDayName(const QDate& day) {
  const int d = day.dayOfWeek();
  return d >= 1 && d <= 7 ? kLongDays[d - 1] : QString();
}

int WeekdayIndex(const QDate& day) {
  return day.dayOfWeek() + 1;
}

QString IndustrialHoursText(qint64 minutes, const QString& decimalPoint, const QString& negativeSign) {
  const bool negative = minutes < 0;
  const quint64 m = negative ? quint64(0) - quint64(minutes) : quint64(minutes);
  // Hundredths of an hour, m x 100 / 60 rounded; the remainder is a third or
  // two thirds, never a half. Split so that m x 5 cannot overflow.
  const quint64 hundredths = (m / 3) * 5 + ((m % 3) * 5 + 1) / 3;
  QString out;
  if (negative && hundredths > 0) out = negativeSign;
  out += QString::number(hundredths / 100);
  out += decimalPoint;
  const int cents = int(hundredths % 100);
  out += QLatin1Char(char('0' + cents / 10));
  out += QLatin1Char(char('0' + cents % 10));
  return out;
}

QString IndustrialHoursText(qint64 minutes) {
  const QLocale locale;
  return IndustrialHoursText(minutes, locale.decimalPoint(), locale.negativeSign());
}

TimeWorkspace::TimeWorkspace(TDataModuleMain& dm, IPrompter& prompter, IMainView& view)
    : dtDatum(QDate::currentDate()), dm_(dm), prompter_(prompter), view_(view) {}

PickList* TimeWorkspace::listOf(FormField chooser) {
  return const_cast<PickList*>(static_cast<const TimeWorkspace*>(this)->listOf(chooser));
}

const PickList* TimeWorkspace::listOf(FormField chooser) const {
  switch (chooser) {
    case FormField::cboxProject:
      return &lbProjectID;
    case FormField::cboxFile:
      return &clboxFiles;
    case FormField::cboxPracticeGroup:
      return &clboxPracticeGroup;
    case FormField::cboxActivity:
      return &clboxActivity;
    default:
      return nullptr;
  }
}

// ---------------------------------------------------------------------------
// Pick lists

bool TimeWorkspace::LoadPickList(FormField chooser, TQuery& query, const QString& nameColumn) {
  PickList& list = *listOf(chooser);
  view_.setChooserIndex(chooser, -1);
  QVector<QStringList> hidden;
  QStringList display;
  try {
    query.Open();
    const bool files = chooser == FormField::cboxFile;
    const int cId = query.column(QStringLiteral("id"));
    const int cProject = files ? query.column(QStringLiteral("project_id")) : -1;
    const int cNumber = files ? query.column(QStringLiteral("file_number")) : -1;
    const int cName = query.column(files ? QStringLiteral("file_name") : nameColumn);
    for (; !query.Eof(); query.Next()) {
      const QString id = QString::number(query.integerAt(cId));
      const QString name = Utf8Text(query.utf8At(cName));
      if (files) {
        const QString number = Utf8Text(query.utf8At(cNumber));
        hidden.append({id, QString::number(query.integerAt(cProject)), number, name});
        display.append(number + QStringLiteral(" - ") + name);
      } else {
        if (chooser == FormField::cboxProject)
          hidden.append({id});
        else
          hidden.append({id, name});
        display.append(name);
      }
    }
    query.Close();
  } catch (...) {
    // The list was emptied before the query ran.
    list.clear();
    throw;
  }
  const bool found = !display.isEmpty();
  // One model reset; filling the chooser may have moved its position, and a
  // fresh list has no choice.
  list.setRows(std::move(hidden), std::move(display));
  view_.setChooserIndex(chooser, -1);
  return found;
}

bool TimeWorkspace::LoadProjects() {
  TQuery q(dm_, sql::qry_Projects);
  return LoadPickList(FormField::cboxProject, q, QStringLiteral("projekt_name"));
}

bool TimeWorkspace::LoadFiles(qint64 projectId) {
  TQuery q(dm_, sql::qry_Files);
  q.setParam(QStringLiteral("projectID"), projectId);
  return LoadPickList(FormField::cboxFile, q, QString());
}

bool TimeWorkspace::LoadPracticeGroups() {
  TQuery q(dm_, sql::qryx_PracticeGroup);
  return LoadPickList(FormField::cboxPracticeGroup, q, QStringLiteral("practice_group_name"));
}

bool TimeWorkspace::LoadActivities() {
  TQuery q(dm_, sql::qry_Activity);
  return LoadPickList(FormField::cboxActivity, q, QStringLiteral("activity_name"));
}

int TimeWorkspace::IndexOfProjectID(const QString& idText) const {
  return IndexOfListValue(lbProjectID, idText);
}

int TimeWorkspace::IndexOfListValue(const PickList& list, const QString& idText) {
  for (int i = 0; i < list.count(); ++i)
    if (list.idText(i) == idText) return i;
  return -1;
}

qint64 TimeWorkspace::ChosenId(FormField chooser) const {
  const PickList* list = listOf(chooser);
  if (!list) return -1;
  const int i = view_.chooserIndex(chooser);
  if (i < 0 || i >= list->count()) return -1;
  return list->idText(i).toLongLong();
}

void TimeWorkspace::cboxProjectChange() {
  const int i = view_.chooserIndex(FormField::cboxProject);
  if (i < 0 || i >= lbProjectID.count()) return;
  LoadFiles(lbProjectID.idText(i).toLongLong());
}

// ---------------------------------------------------------------------------
// Work modes and the entry form

void TimeWorkspace::SetWorkMode(int mode) {
  switch (mode) {
    case wmNew:
    case wmEdit:
      view_.setModeLabel(mode == wmNew ? QStringLiteral("NEU") : QStringLiteral("BEARBEITEN"));
      view_.setCommandEnabled(ModeCommand::New, false);
      view_.setCommandEnabled(ModeCommand::Edit, false);
      view_.setCommandEnabled(ModeCommand::Cancel, true);
      view_.setCommandEnabled(ModeCommand::Save, true);
      break;
    case wmShow:
      view_.setModeLabel(QStringLiteral("ZEIGEN"));
      view_.setCommandEnabled(ModeCommand::New, true);
      view_.setCommandEnabled(ModeCommand::Edit, intEntryID > 0);
      view_.setCommandEnabled(ModeCommand::Cancel, false);
      view_.setCommandEnabled(ModeCommand::Save, false);
      break;
    default:
      break;
  }
}

void TimeWorkspace::ClearEntryForm() {
  view_.setFieldText(FormField::edtReal, QStringLiteral("0"));
  view_.setFieldText(FormField::edtInvoiced, QStringLiteral("0"));
  for (FormField f :
       {FormField::cboxProject, FormField::cboxFile, FormField::cboxPracticeGroup, FormField::cboxActivity})
    view_.setChooserIndex(f, -1);
  view_.setFieldText(FormField::memoActivity, QString());
  view_.setFieldText(FormField::memoNote, QString());
}

void TimeWorkspace::actNewExecute() {
  view_.showRibbonPage(1);
  intEntryID = -1;
  intModus = wmNew;
  intRealTime = 0;
  intInvoicedTime = 0;
  SetWorkMode(wmNew);
  ClearEntryForm();
  view_.focusField(FormField::edtReal);
}

void TimeWorkspace::actSetEditExecute() {
  intModus = wmEdit;
  SetWorkMode(wmEdit);
  view_.focusField(FormField::edtReal);
}

bool TimeWorkspace::LoadEntry() {
  TQuery q(dm_, sql::qry_TimeSingleEntry);
  q.setParam(QStringLiteral("entryID"), intEntryID);
  q.Open();
  if (q.IsEmpty()) {
    prompter_.showError(kCannotEdit);
    q.Close();
    return false;
  }
  ClearEntryForm();
  view_.setFieldText(FormField::edtReal, q.asString(QStringLiteral("str_real_time")));
  view_.setFieldText(FormField::edtInvoiced, q.asString(QStringLiteral("str_invoice_time")));
  const QDate day = q.asDate(QStringLiteral("time"));
  if (day.isValid()) dtDatum = day;
  intRealTime = ClampToInt(q.asInteger(QStringLiteral("real_time")));
  intInvoicedTime = ClampToInt(q.asInteger(QStringLiteral("invoice_time")));
  view_.setFieldText(FormField::memoActivity, q.asString(QStringLiteral("activity")));
  view_.setFieldText(FormField::memoNote, q.asString(QStringLiteral("note")));
  const qint64 project = q.asInteger(QStringLiteral("project_id"));
  const qint64 file = q.asInteger(QStringLiteral("file_id"));
  const qint64 group = q.asInteger(QStringLiteral("pratice_group_id"));
  const qint64 activity = q.asInteger(QStringLiteral("activity_id"));
  view_.setChooserIndex(FormField::cboxProject, IndexOfProjectID(QString::number(project)));
  LoadFiles(project);
  view_.setChooserIndex(FormField::cboxFile, IndexOfListValue(clboxFiles, QString::number(file)));
  view_.setChooserIndex(FormField::cboxPracticeGroup, IndexOfListValue(clboxPracticeGroup, QString::number(group)));
  view_.setChooserIndex(FormField::cboxActivity, IndexOfListValue(clboxActivity, QString::number(activity)));
  ShowDay(dtDatum);
  SetWorkMode(intModus);
  q.Close();
  return true;
}

void TimeWorkspace::actEditExecute() {
  LoadEntry();
}

void TimeWorkspace::actCancelExecute() {
  ClearEntryForm();
  bool reloaded = false;
  if (intModus == wmEdit) reloaded = LoadEntry();
  intModus = wmShow;
  if (!reloaded) {
    intRealTime = 0;
    intInvoicedTime = 0;
  }
  SetWorkMode(wmShow);
  view_.focusField(FormField::edtReal);
}

QString TimeWorkspace::BuildSaveStatement() const {
  const QString p = QString::number(ChosenId(FormField::cboxProject));
  const QString f = QString::number(ChosenId(FormField::cboxFile));
  const QString g = QString::number(ChosenId(FormField::cboxPracticeGroup));
  const QString a = QString::number(ChosenId(FormField::cboxActivity));
  const QString d = SqlText(view_.fieldText(FormField::memoActivity));
  const QString n = SqlText(view_.fieldText(FormField::memoNote));
  const QString rt = SqlText(view_.fieldText(FormField::edtReal));
  const QString it = SqlText(view_.fieldText(FormField::edtInvoiced));
  const QString t = SqlText(SqlDayText(dtDatum));
  const QString real = QString::number(intRealTime);
  const QString invoiced = QString::number(intInvoicedTime);
  const QString sep = QStringLiteral(", ");
  if (intModus == wmNew) {
    return QStringLiteral(
               "INSERT INTO tblTimeEntries (project_id, file_id, pratice_group_id, activity_id, activity, note, "
               "real_time, invoice_time, time, str_real_time, str_invoice_time) VALUES (") +
           p + sep + f + sep + g + sep + a + sep + d + sep + n + sep + real + sep + invoiced + sep + t + sep + rt +
           sep + it + QStringLiteral(")");
  }
  if (intModus == wmEdit) {
    return QStringLiteral("UPDATE tblTimeEntries SET") + QStringLiteral(" project_id = ") + p + QStringLiteral(",") +
           QStringLiteral(" file_id = ") + f + QStringLiteral(",") + QStringLiteral(" pratice_group_id = ") + g +
           QStringLiteral(",") + QStringLiteral(" activity_id = ") + a + QStringLiteral(",") +
           QStringLiteral(" activity = ") + d + sep + QStringLiteral(" note = ") + n + sep +
           QStringLiteral(" real_time = ") + real + sep + QStringLiteral(" invoice_time = ") + invoiced + sep +
           QStringLiteral(" time = ") + t + sep + QStringLiteral(" str_real_time = ") + rt + sep +
           QStringLiteral(" str_invoice_time = ") + it + QStringLiteral(" WHERE id = ") + QString::number(intEntryID);
  }
  return {};
}

void TimeWorkspace::actSaveExecute() {
  const QString statement = BuildSaveStatement();
  if (statement.isEmpty()) return;  // nothing is being typed or edited
  try {
    dm_.scriptAction(statement);
  } catch (const std::exception&) {
    prompter_.showError(kSaveFailed);
    return;
  }
  ClearEntryForm();
  intModus = wmShow;
  intRealTime = 0;
  intInvoicedTime = 0;
  SetWorkMode(wmShow);
  RefreshEntryList();
}

// ---------------------------------------------------------------------------
// Time fields

std::optional<int> TimeWorkspace::TimeFieldMinutes(FormField field) {
  const QString text = view_.fieldText(field);
  if (text.isEmpty()) {
    prompter_.showError(kEmptyField);
    view_.setFieldText(field, QStringLiteral("0"));
    view_.focusField(field);
    return std::nullopt;
  }
  const int r = IsTimeFieldText(text) ? CheckDecimalHours(text) : -1;
  if (r == -1) {
    prompter_.showError(kBadFormat);
    view_.focusField(field);
    return std::nullopt;
  }
  if (r == 0) {
    const int m = PlainMinutes(text);
    if (m > kMaxMinutes) {
      // The refused number is not taken: the field keeps its previous minutes.
      prompter_.showError(kOutOfRange);
      view_.focusField(field);
      return std::nullopt;
    }
    return m;
  }
  return DecimalHoursToMinutes(text);
}

bool TimeWorkspace::edtRealExit() {
  const std::optional<int> minutes = TimeFieldMinutes(FormField::edtReal);
  if (!minutes) return false;
  intRealTime = *minutes;
  // The working time is the default billable time. The billable minutes follow
  // the copied text at once, so the billable text and minutes always agree; they
  // equal the working minutes, so the cross-check passes.
  view_.setFieldText(FormField::edtInvoiced, view_.fieldText(FormField::edtReal));
  intInvoicedTime = intRealTime;
  return true;
}

bool TimeWorkspace::edtInvoicedExit() {
  const std::optional<int> minutes = TimeFieldMinutes(FormField::edtInvoiced);
  if (!minutes) return false;
  intInvoicedTime = *minutes;
  if (intInvoicedTime > intRealTime) {
    prompter_.showInfo(kInvoicedTooLarge);
    intInvoicedTime = 0;
    view_.setFieldText(FormField::edtInvoiced, QStringLiteral("0"));
    view_.focusField(FormField::edtInvoiced);
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Day strip

void TimeWorkspace::ShowDay(const QDate& day) {
  view_.setDateLabel(ShortDayName(day) + QStringLiteral("., ") + DottedDate(day));
  const int d = WeekdayIndex(day);
  for (int n = 2; n <= 8; ++n) {
    const QDate shown = day.addDays(n - d);
    view_.setDayButton(n, LongDayName(shown) + QLatin1Char(' ') + DottedDate(shown), n == d);
  }
}

void TimeWorkspace::btn2Click(int tag) {
  if (tag >= 2 && tag <= 8) {
    dtDatum = dtDatum.addDays(tag - WeekdayIndex(dtDatum));
    ShowDay(dtDatum);
  }
  RefreshEntryList();
}

void TimeWorkspace::btnBackClick() {
  dtDatum = dtDatum.addDays(-7);
  ShowDay(dtDatum);
  RefreshEntryList();
}

void TimeWorkspace::btnForwardClick() {
  dtDatum = dtDatum.addDays(7);
  ShowDay(dtDatum);
  RefreshEntryList();
}

void TimeWorkspace::btnDatepickerClick() {
  view_.showCalendar(dtDatum);
  RefreshEntryList();
}

void TimeWorkspace::calSelectDblClick() {
  const QDate picked = view_.calendarDate();
  if (picked.isValid()) dtDatum = picked;
  ShowDay(dtDatum);
  RefreshEntryList();
  view_.hideCalendar();
}

// ---------------------------------------------------------------------------
// Entry list

QString TimeWorkspace::BuildListStatement(bool showAll) const {
  if (showAll) return kListHead + QStringLiteral(" ORDER BY tblTimeEntries.time desc");
  return kListHead + QStringLiteral(" AND tblTimeEntries.time = ") + QLatin1Char('\'') + SqlDayText(dtDatum) +
         QLatin1Char('\'') + QStringLiteral(" ORDER BY tblTimeEntries.id desc");
}

int TimeWorkspace::LoadTimeEntries(bool showAll) {
  const QString statement = BuildListStatement(showAll);
  // One model reset; when reading fails, the rows read so far stay listed.
  lvTimeEntries.rebuild([&](QVector<TimeEntryModel::Row>& rows) {
    TQuery query(dm_, statement);
    query.Open();
    ReadListRows(query, rows);
    query.Close();
  });
  return lvTimeEntries.count();
}

void TimeWorkspace::RefreshEntryList() {
  const int n = LoadTimeEntries(view_.showAllChecked());
  view_.setStatusCount(n == 1 ? QStringLiteral("1 Eintrag") : QString::number(n) + QStringLiteral(" Einträge"));
}

void TimeWorkspace::checkShowAllClick() {
  RefreshEntryList();
}

int TimeWorkspace::SelectedEntryRow() const {
  const int row = view_.selectedEntryRow();
  return row >= 0 && row < lvTimeEntries.count() ? row : -1;
}

void TimeWorkspace::lvTimeEntriesClick() {
  const int row = SelectedEntryRow();
  if (row < 0) throw CommandError(kNoEntrySelected);
  if (intModus != wmShow) throw CommandError(kWrongMode);
  intEntryID = lvTimeEntries.id(row);
  actEditExecute();
}

// ---------------------------------------------------------------------------
// Deletion and locking

void TimeWorkspace::EntryDeleteClick() {
  const int row = SelectedEntryRow();
  if (row < 0) throw CommandError(kSelectEntry);
  if (intModus != wmShow) throw CommandError(kNoDeleteInMode);
  if (!prompter_.confirm(kConfirmDelete)) return;
  const qint64 id = lvTimeEntries.id(row);
  try {
    dm_.scriptAction(QStringLiteral("DELETE FROM tblTimeEntries WHERE id = ") + QString::number(id));
  } catch (const std::exception&) {
    throw CommandError(kDeleteFailed);
  }
  RefreshEntryList();
  ClearEntryForm();
}

void TimeWorkspace::EntryLockClick() {
  const int row = SelectedEntryRow();
  if (row < 0) throw CommandError(kSelectEntry);
  if (intModus != wmShow) throw CommandError(kNoLockInMode);
  const QString value =
      lvTimeEntries.text(row, TimeEntryModel::colLock) == kLocked ? QStringLiteral("0") : QStringLiteral("1");
  const qint64 id = lvTimeEntries.id(row);
  try {
    dm_.scriptAction(QStringLiteral("UPDATE tblTimeEntries SET locked = ") + value + QStringLiteral(" WHERE id = ") +
                     QString::number(id));
  } catch (const std::exception&) {
    throw CommandError(kLockFailed);
  }
  RefreshEntryList();
  ClearEntryForm();
}

}  // namespace kairon
