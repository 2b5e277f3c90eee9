#include "common/errors.h"
#include "common/prompter.h"
#include "store/dmMain.h"
#include "sync/serversync.h"
#include "workspace/workspace.h"

#include <optional>

namespace kairon {

namespace {
const QString kModeUpload =
    QStringLiteral("Sie befinden sich noch im Modus Neu oder Bearbeiten!\r\nÜbertragung nicht möglich!");
const QString kNothingToSend = QStringLiteral("Es sind zurzeit keine Zeiteinträge zum Übertragen vorhanden!");
const QString kUploadFailed = QStringLiteral("Fehler beim Übertragen der Zeiteinträge!\r\n");
}  // namespace

void TServerSync::actTransmitExecute() {
  if (ws_.intModus != wmShow) throw CommandError(kModeUpload);
  IPrompter& prompter = ws_.prompter();
  TDataModuleMain& dm = ws_.dataModule();

  TQuery selection(dm, sql::qry_ExportSend);
  selection.Open();
  if (selection.IsEmpty()) {
    selection.Close();
    throw CommandError(kNothingToSend);
  }
  QString json;
  int n = 0;
  lbExportID.clear();
  lbExportError.clear();
  for (; !selection.Eof(); selection.Next()) {
    lbExportID << QString::number(selection.asInteger(QStringLiteral("id")));
    ExportEntry entry;
    entry.realTime = selection.asInteger(QStringLiteral("real_time"));
    entry.invoiceTime = selection.asInteger(QStringLiteral("invoice_time"));
    entry.projectId = selection.asInteger(QStringLiteral("project_id"));
    entry.fileId = selection.asInteger(QStringLiteral("file_id"));
    entry.activityId = selection.asInteger(QStringLiteral("activity_id"));
    entry.practiceGroupId = selection.asInteger(QStringLiteral("pratice_group_id"));
    entry.activity = selection.asString(QStringLiteral("activity"));
    entry.note = selection.asString(QStringLiteral("note"));
    entry.day = SqlDayText(selection.asDate(QStringLiteral("time")));
    if (!json.isEmpty()) json += QLatin1Char(',');
    json += EntryObjectText(entry);
    ++n;
  }
  selection.Close();
  json = QLatin1Char('[') + json + QLatin1Char(']');

  if (!prompter.confirm(QStringLiteral("Es wurden ") + QString::number(n) +
                        QStringLiteral(" mögliche Zeiteinträge gefunden!\r\nSollen diese übertragen werden?")))
    return;

  // The token is followed by "=" in this request; no token is checked for.
  const PostResult posted = PostServerRequest({{QStringLiteral("token"), ws_.strToken + QLatin1Char('=')},
                                               {QStringLiteral("request"), QStringLiteral("insertTimeEntries")},
                                               {QStringLiteral("json"), json}});
  if (!posted.ok) throw CommandError(posted.text);

  // The whole reply is checked before anything is shown or marked.
  const ServerReply reply = ServerReply::Parse(posted.text);
  const Json* data = reply.data();
  if (!data) throw CommandError(BadReplyText(QStringLiteral("Das Element \"data\" fehlt!")));
  static const Json kNoData = Json::object();
  if (!data->is_object()) {
    // A failed reply may come without its data object; it then marks nothing.
    if (!reply.failed()) throw CommandError(BadReplyText(QStringLiteral("Das Element \"data\" ist kein Objekt!")));
    data = &kNoData;
  }
  const Json* okCount = MemberAt(*data, 1);
  const Json* failedCount = MemberAt(*data, 2);
  const Json* failures = MemberAt(*data, 3);
  bool haveFailureList = false;
  if (failures && failures->is_array()) {
    for (const Json& p : *failures)
      if (!p.is_number_integer())
        throw CommandError(BadReplyText(QStringLiteral("Die Liste der nicht übertragenen Einträge ist ungültig!")));
    haveFailureList = true;
  } else if (failures && !reply.failed()) {
    throw CommandError(BadReplyText(QStringLiteral("Die Liste der nicht übertragenen Einträge ist ungültig!")));
  }
  if (haveFailureList)
    for (const Json& p : *failures)
      lbExportError << (p.is_number_unsigned() ? QString::number(p.get<Json::number_unsigned_t>())
                                               : QString::number(p.get<Json::number_integer_t>()));

  const QString summary = QStringLiteral("\r\nKorrekt übertragen: ") + (okCount ? JsonValueText(*okCount) : QString()) +
                          QStringLiteral("\r\nNicht übertragen: ") +
                          (failedCount ? JsonValueText(*failedCount) : QString());

  if (reply.failed()) prompter.showError(kUploadFailed + reply.errorText());

  // A server error without a failure list leaves it open what was stored:
  // nothing is marked then, and the entries are offered again.
  if (reply.failed() && !haveFailureList) lbExportID.clear();

  for (qsizetype i = lbExportError.size() - 1; i >= 0; --i) {
    bool ok = false;
    const qlonglong p = lbExportError[i].toLongLong(&ok);
    if (ok && p >= 0 && p < lbExportID.size()) lbExportID.removeAt(qsizetype(p));
  }

  {
    // One transaction for all markings; a statement that fails is reported
    // and leaves its entry pending, the others are marked.
    std::optional<Transaction> transaction;
    try {
      transaction.emplace(dm);
    } catch (const DatabaseError&) {
      // Without a transaction each statement is committed on its own.
    }
    for (const QString& id : lbExportID) {
      try {
        dm.scriptAction(QStringLiteral("UPDATE tblTimeEntries SET import_yn = 1 WHERE id = ") + id);
      } catch (const DatabaseError&) {
        prompter.showPlain(QStringLiteral("ID= ") + id + QStringLiteral(" konnte nicht gespeichert werden!"));
      }
    }
    if (transaction) {
      try {
        transaction->commit();
      } catch (const DatabaseError&) {
        throw CommandError(
            QStringLiteral("Die übertragenen Zeiteinträge konnten lokal nicht als übertragen markiert werden!"));
      }
    }
  }
  lbExportID.clear();
  lbExportError.clear();

  prompter.showInfo(QStringLiteral("Übertragung abgeschlossen!") + summary);
  ws_.RefreshEntryList();
}

}  // namespace kairon
