#pragma once

#include <QString>

namespace kairon {

// The sign-in variables of one program run; never stored.
struct AuthSession {
  int intLoginAttempts = 0;
  QString strLoginUser;
  QString strLoginPassword;
  // Whether the previous sign-in attempt of this run failed; the login dialog
  // shows "Authentifizierung fehlgeschlagen!" only then.
  bool lastAttemptFailed = false;
};

}  // namespace kairon
