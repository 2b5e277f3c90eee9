#include "sync/serversync.h"

#include "common/errors.h"
#include "common/global.h"
#include "common/prompter.h"
#include "store/dmMain.h"
#include "sync/session.h"
#include "workspace/workspace.h"

namespace kairon {

namespace {
const QString kModeAuth =
    QStringLiteral("Sie befinden sich noch im Modus Neu oder Bearbeiten!\r\nAuthentifizierung nicht möglich!");
const QString kAuthFailedLabel = QStringLiteral("Authentifizierung fehlgeschlagen!");
const QString kNoToken =
    QStringLiteral("Der Server hat keinen Authentifikationskey zurückgegeben!\r\nAuthentifizierung nicht möglich!");
const QString kTokenNotStored = QStringLiteral("Authentifikationskey konnte nicht gesichert werden");
const QString kAuthOk = QStringLiteral("Authentifizierung erfolgreich abgeschlossen");
}  // namespace

TServerSync::TServerSync(TimeWorkspace& ws, AuthSession& auth, IBusyIndicator& busy, ILoginPrompt& login)
    : ws_(ws), auth_(auth), busy_(busy), login_(login), exchange_(busy) {}

QString TServerSync::configValue(const QString& name) {
  TQuery config(ws_.dataModule(), sql::qry_Config);
  config.Open();
  QString value;
  // A later row of the same name wins.
  for (; !config.Eof(); config.Next())
    if (config.asString(QStringLiteral("fielddesc")) == name) value = config.asString(QStringLiteral("fieldvalue"));
  config.Close();
  return value;
}

PostResult TServerSync::PostServerRequest(const FormPairs& pairs) {
  exchange_.pinnedPublicKey = configValue(QStringLiteral("pinnedkey"));
  return exchange_.PostServerRequest(ws_.strURL, BuildFormBody(pairs));
}

void TServerSync::actAuthenticateExecute() {
  if (ws_.intModus != wmShow) throw CommandError(kModeAuth);
  IPrompter& prompter = ws_.prompter();

  const ILoginPrompt::Result input =
      login_.ask(auth_.lastAttemptFailed ? kAuthFailedLabel : QString(), auth_.strLoginUser);
  if (!input.confirmed) {
    // Not signed in for the rest of the run; the stored token stays.
    ws_.strToken.clear();
    auth_.intLoginAttempts = 4;
    return;
  }
  ++auth_.intLoginAttempts;
  auth_.strLoginUser = input.user;
  auth_.strLoginPassword = input.password;
  // Counts as failed until a token has been stored.
  auth_.lastAttemptFailed = true;

  const PostResult posted = PostServerRequest(
      {{QStringLiteral("login"), auth_.strLoginUser}, {QStringLiteral("pass"), auth_.strLoginPassword}});
  if (!posted.ok) {
    prompter.showPlain(posted.text);
    return;
  }

  const ServerReply reply = ServerReply::Parse(posted.text);
  if (reply.failed()) throw CommandError(reply.errorText());
  const Json* data = reply.data();
  if (!data || !data->is_object())
    throw CommandError(BadReplyText(QStringLiteral("Das Element \"data\" fehlt oder ist kein Objekt!")));
  const Json* first = MemberAt(*data, 0);
  const QString token = first ? JsonValueText(*first) : QString();
  if (token.isEmpty()) {
    // An empty token would only make the next request fail; ask again instead.
    prompter.showError(kNoToken);
    return;
  }

  try {
    ws_.dataModule().scriptAction(QStringLiteral("UPDATE tblConfig SET fieldvalue = ") +
                                  SqlText(EncodeDecimalText(token)) + QStringLiteral(" WHERE id = 101"));
  } catch (const DatabaseError&) {
    ws_.strToken.clear();
    throw CommandError(kTokenNotStored);
  }
  ws_.strToken = token;
  auth_.lastAttemptFailed = false;
  prompter.showInfo(kAuthOk);
}

}  // namespace kairon
