#pragma once

#include <QDialog>
#include <QPointer>

#include "sync/serversync.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QKeyEvent;

namespace kairon {

// The sign-in dialog: collects user name and password; checks nothing.
class TDialogLogin : public QDialog {
  Q_OBJECT
 public:
  explicit TDialogLogin(QWidget* owner = nullptr);

  // Before showing: the failure line and the user name last entered.
  void setErrorText(const QString& text);
  void setUserName(const QString& user);
  // After a confirmed dialog. The user name is in small letters.
  QString userName() const;
  QString password() const;

  // Enables "Anmelden" and answers true when both fields hold text.
  bool CheckLoginInput();

  QLabel* imgLogo = nullptr;
  QLabel* lblError = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* edtUser = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* edtPassword = nullptr;
  QPushButton* btnLogin = nullptr;
  QPushButton* btnCancel = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Enter and Escape, wherever the focus is. Answers whether the key was used.
  bool FormKeyDown(QKeyEvent* event);
  void edtUserChange();
  void edtUserEdited(const QString& text);
};

// The sign-in's login prompt: a new dialog over the owner for each attempt.
class TLoginPrompt : public ILoginPrompt {
 public:
  explicit TLoginPrompt(QWidget* owner = nullptr) : owner_(owner) {}
  Result ask(const QString& errorText, const QString& user) override;

 private:
  QPointer<QWidget> owner_;
};

}  // namespace kairon
