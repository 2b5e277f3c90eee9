#pragma once

#include <QString>
#include <QStringList>

#include "sync/entryjson.h"
#include "sync/exchange.h"
#include "sync/formbody.h"
#include "sync/serverreply.h"

namespace kairon {

class IBusyIndicator;
class IPrompter;
class TimeWorkspace;
struct AuthSession;

// The login dialog as the sign-in needs it. ui/ implements it with the dialog.
class ILoginPrompt {
 public:
  struct Result {
    bool confirmed = false;
    QString user;
    QString password;
  };
  virtual ~ILoginPrompt() = default;
  // Shows the dialog modally with errorText in its error line, user in its user
  // field and an empty password field.
  virtual Result ask(const QString& errorText, const QString& user) = 0;
};

// The server commands of the main window: sign-in, master-data download and
// upload. Each throws CommandError; callers run them through RunCommand.
class TServerSync {
 public:
  TServerSync(TimeWorkspace& ws, AuthSession& auth, IBusyIndicator& busy, ILoginPrompt& login);

  ServerExchange& exchange() { return exchange_; }

  // Posts the pairs, form-encoded, to strURL. The public-key pin comes from the
  // configuration row "pinnedkey" when there is one.
  PostResult PostServerRequest(const FormPairs& pairs);

  void actAuthenticateExecute();

  void actGetProjectExecute();
  void actGetFilesExecute();
  void actGetPracticeGroupExecute();
  void actGetActivityExecute();
  void actGetAllDatesExecute();

  void actTransmitExecute();

  // The upload lists: ids in the order sent, failure positions as reported.
  QStringList lbExportID;
  QStringList lbExportError;

 private:
  enum class Master { Projects, PracticeGroups, Activities };
  void downloadSimple(Master kind);
  ServerReply fetchRows(const QString& request);
  QString configValue(const QString& name);

  TimeWorkspace& ws_;
  AuthSession& auth_;
  IBusyIndicator& busy_;
  ILoginPrompt& login_;
  ServerExchange exchange_;
};

}  // namespace kairon
