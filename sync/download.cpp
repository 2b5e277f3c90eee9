#include <QRegularExpression>
#include <limits>
#include <optional>

#include "common/errors.h"
#include "common/prompter.h"
#include "store/dmMain.h"
#include "sync/serversync.h"
#include "workspace/workspace.h"

namespace kairon {

namespace {
const QString kModeDownload =
    QStringLiteral("Sie befinden sich noch im Modus Neu oder Bearbeiten!\r\nÜbermittlung nicht möglich!");
const QString kNotSignedIn = QStringLiteral("Bitte auhtentifizieren Sie sich!");
const QString kDeleteFailed = QStringLiteral("Beim Löschen der Urdaten tratt ein Fehler auf!");
const QString kInsertFailed = QStringLiteral("Beim Einfügen der Daten tratt ein Fehler auf!");
const QString kUpdateHint = QStringLiteral("\r\nAktualisieren Sie Ihre Daten mit dem Server!");

// An id as it goes into a statement: an integer member as its exact digits,
// anything else as its value text. Empty when it is not a 64-bit integer.
QString IdText(const Json& value) {
  if (value.is_number_integer()) {
    if (value.is_number_unsigned()) {
      const auto n = value.get<Json::number_unsigned_t>();
      return n <= Json::number_unsigned_t(std::numeric_limits<qint64>::max()) ? QString::number(n) : QString();
    }
    return QString::number(value.get<Json::number_integer_t>());
  }
  static const QRegularExpression integerRe(QStringLiteral("^-?[0-9]+$"));
  const QString text = JsonValueText(value);
  if (!integerRe.match(text).hasMatch()) return QString();
  bool ok = false;
  text.toLongLong(&ok);
  return ok ? text : QString();
}

// The rows of "data": an array of objects with at least `members` members
// each. Rows that are not objects or too short end the command; so does an id
// (at the positions in idPositions) that is not an integer. Nothing has been
// written when it throws.
QList<QStringList> ReadRows(const ServerReply& reply, std::size_t members, std::initializer_list<std::size_t> ids) {
  const Json* data = reply.data();
  if (!data || !data->is_array())
    throw CommandError(BadReplyText(QStringLiteral("Das Element \"data\" fehlt oder ist keine Liste!")));
  QList<QStringList> rows;
  rows.reserve(qsizetype(data->size()));
  std::size_t number = 0;
  for (const Json& row : *data) {
    ++number;
    if (!row.is_object())
      throw CommandError(BadReplyText(QStringLiteral("Zeile %1 der Daten ist kein Objekt!").arg(number)));
    if (row.size() < members)
      throw CommandError(BadReplyText(QStringLiteral("Zeile %1 der Daten hat zu wenige Werte!").arg(number)));
    QStringList texts;
    texts.reserve(qsizetype(members));
    for (std::size_t i = 0; i < members; ++i) texts << JsonValueText(*MemberAt(row, i));
    for (const std::size_t i : ids) {
      const QString id = IdText(*MemberAt(row, i));
      // The id goes into the statement text: anything but an integer is refused.
      if (id.isEmpty()) throw CommandError(kInsertFailed);
      texts[qsizetype(i)] = id;
    }
    rows << texts;
  }
  return rows;
}

// Texts are stored as texts: a null text would be bound as NULL.
QString Text(const QString& text) {
  return text.isNull() ? QStringLiteral("") : text;
}

struct SimpleTable {
  QString request;
  QString deleteStatement;
  QString insertHead;
  QString updated;
  QString nothingFound;
};

SimpleTable TableOf(int kind) {
  switch (kind) {
    case 0:
      return {QStringLiteral("getProjects"), QStringLiteral("DELETE FROM tblProject"),
              QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES "),
              QStringLiteral("Mandat/Mandant wurden aktualisiert!"),
              QStringLiteral("Es konnten keine Mandate/Mandaten lokal gefunden werden!") + kUpdateHint};
    case 1:
      return {QStringLiteral("getPracticeGroups"), QStringLiteral("DELETE FROM tblPractice_Group"),
              QStringLiteral("INSERT INTO tblPractice_Group (id, practice_group_name) VALUES "),
              QStringLiteral("PracticeGroups wurden aktualisiert!"),
              QStringLiteral("Es konnten keine PracticeGroups lokal gefunden werden!") + kUpdateHint};
    default:
      return {QStringLiteral("getActivities"), QStringLiteral("DELETE FROM tblActivity"),
              QStringLiteral("INSERT INTO tblActivity (id, activity_name) VALUES "),
              QStringLiteral("Aktivitäten wurden aktualisiert!"),
              QStringLiteral("Es konnten keine Aktivitäten lokal gefunden werden!") + kUpdateHint};
  }
}
}  // namespace

ServerReply TServerSync::fetchRows(const QString& request) {
  if (ws_.intModus != wmShow) throw CommandError(kModeDownload);
  if (ws_.strToken.isEmpty()) throw CommandError(kNotSignedIn);
  ws_.ClearEntryForm();
  const PostResult posted =
      PostServerRequest({{QStringLiteral("token"), ws_.strToken}, {QStringLiteral("request"), request}});
  if (!posted.ok) throw CommandError(posted.text);
  ServerReply reply = ServerReply::Parse(posted.text);
  if (reply.failed()) throw CommandError(reply.errorText());
  return reply;
}

void TServerSync::downloadSimple(Master kind) {
  const SimpleTable table = TableOf(int(kind));
  const ServerReply reply = fetchRows(table.request);
  const QList<QStringList> rows = ReadRows(reply, 2, {0});

  QString statement = table.insertHead + QStringLiteral("(-1,'')");
  for (const QStringList& row : rows)
    statement += QStringLiteral(", (") + row[0] + QLatin1Char(',') + SqlText(row[1]) + QLatin1Char(')');

  TDataModuleMain& dm = ws_.dataModule();
  {
    // The delete and the insert stand or fall together: on a failure the
    // table keeps its previous rows.
    std::optional<Transaction> transaction;
    try {
      transaction.emplace(dm);
      dm.scriptAction(table.deleteStatement);
    } catch (const DatabaseError&) {
      throw CommandError(kDeleteFailed);
    }
    try {
      dm.scriptAction(statement);
      transaction->commit();
    } catch (const DatabaseError&) {
      throw CommandError(kInsertFailed);
    }
  }
  busy_.processEvents();

  bool found = false;
  switch (kind) {
    case Master::Projects:
      found = ws_.LoadProjects();
      break;
    case Master::PracticeGroups:
      found = ws_.LoadPracticeGroups();
      break;
    case Master::Activities:
      found = ws_.LoadActivities();
      break;
  }
  ws_.prompter().showInfo(found ? table.updated : table.nothingFound);
}

void TServerSync::actGetProjectExecute() {
  downloadSimple(Master::Projects);
}
void TServerSync::actGetPracticeGroupExecute() {
  downloadSimple(Master::PracticeGroups);
}
void TServerSync::actGetActivityExecute() {
  downloadSimple(Master::Activities);
}

void TServerSync::actGetFilesExecute() {
  const ServerReply reply = fetchRows(QStringLiteral("getFiles"));
  const QList<QStringList> rows = ReadRows(reply, 4, {0, 1});

  TDataModuleMain& dm = ws_.dataModule();
  {
    std::optional<Transaction> transaction;
    try {
      transaction.emplace(dm);
      dm.scriptAction(QStringLiteral("DELETE FROM tblFiles"));
    } catch (const DatabaseError&) {
      throw CommandError(kDeleteFailed);
    }
    try {
      dm.qry_InsertFile(QStringLiteral("-1"), QStringLiteral("-1"), Text(QString()), Text(QString()));
      for (const QStringList& row : rows) dm.qry_InsertFile(row[0], row[1], Text(row[2]), Text(row[3]));
      transaction->commit();
    } catch (const DatabaseError&) {
      throw CommandError(kInsertFailed);
    }
  }
  busy_.processEvents();

  ws_.prompter().showInfo(ws_.LoadFiles(-1)
                              ? QStringLiteral("Akten wurden aktualisiert!")
                              : QStringLiteral("Es konnten keine Akten lokal gefunden werden!") + kUpdateHint);
}

void TServerSync::actGetAllDatesExecute() {
  if (ws_.intModus != wmShow) throw CommandError(kModeDownload);
}

}  // namespace kairon
