#include "ui/dlgLogin.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include "ui/icons.h"

namespace kairon {

namespace {

QLabel* boldLabel(QWidget* parent, const QString& text, qreal growPt = 0) {
  auto* label = new QLabel(text, parent);
  QFont f = label->font();
  f.setBold(true);
  if (growPt > 0) f.setPointSizeF(f.pointSizeF() + growPt);
  label->setFont(f);
  return label;
}

QPushButton* flatButton(QWidget* parent, const QString& text, Img image) {
  auto* b = new QPushButton(KaironIcon(image), text, parent);
  b->setFlat(true);
  b->setAutoDefault(false);
  b->setDefault(false);
  b->setFocusPolicy(Qt::NoFocus);
  b->setIconSize(QSize(16, 16));
  b->setAccessibleName(text);
  return b;
}

}  // namespace

TDialogLogin::TDialogLogin(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("DialogLogin"));
  setWindowTitle(QStringLiteral("Anmeldung ..."));
  setFixedSize(366, 159);

  // Everything lies on one white panel.
  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("pnlLogin"));
  panel->setGeometry(0, 0, 366, 159);
  panel->setAutoFillBackground(true);
  QPalette pal = panel->palette();
  pal.setColor(QPalette::Window, Qt::white);
  panel->setPalette(pal);

  imgLogo = new QLabel(panel);
  imgLogo->setObjectName(QStringLiteral("imgLogo"));
  imgLogo->setGeometry(24, 17, 90, 90);
  imgLogo->setPixmap(KaironLogo(QSize(90, 90)));

  lblError = boldLabel(panel, QString(), 0.5);
  lblError->setObjectName(QStringLiteral("lblError"));
  QPalette red = lblError->palette();
  red.setColor(QPalette::WindowText, QColor(200, 0, 0));
  lblError->setPalette(red);
  lblError->setGeometry(136, 9, 217, qMax(16, lblError->fontMetrics().height()));

  Label1 = boldLabel(panel, QStringLiteral("Benutzer:"));
  Label1->setObjectName(QStringLiteral("Label1"));
  edtUser = new QLineEdit(panel);
  edtUser->setObjectName(QStringLiteral("edtUser"));
  edtUser->setAccessibleName(QStringLiteral("Benutzer"));
  Label1->setBuddy(edtUser);

  Label2 = boldLabel(panel, QStringLiteral("Passwort:"));
  Label2->setObjectName(QStringLiteral("Label2"));
  edtPassword = new QLineEdit(panel);
  edtPassword->setObjectName(QStringLiteral("edtPassword"));
  edtPassword->setAccessibleName(QStringLiteral("Passwort"));
  edtPassword->setEchoMode(QLineEdit::Password);
  // Each character of the password shows as "*".
  edtPassword->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
  Label2->setBuddy(edtPassword);

  // The labels stand left of their fields; the fields start where the longer label ends.
  const int labelWidth = qMax(Label1->sizeHint().width(), Label2->sizeHint().width());
  const int fieldX = qMax(208, 136 + labelWidth + 8);
  const int fieldW = qMax(121, 329 - fieldX);
  const int fieldH = qMax(21, edtUser->sizeHint().height());
  edtUser->setGeometry(fieldX, 41 - (fieldH - 21) / 2, fieldW, fieldH);
  edtPassword->setGeometry(fieldX, 82 - (fieldH - 21) / 2, fieldW, fieldH);
  Label1->setGeometry(136, edtUser->y(), labelWidth, fieldH);
  Label2->setGeometry(136, edtPassword->y(), labelWidth, fieldH);

  btnLogin = flatButton(panel, QStringLiteral("Anmelden"), Img::Login);
  btnLogin->setObjectName(QStringLiteral("btnLogin"));
  btnLogin->setGeometry(143, 120, 90, 25);
  btnCancel = flatButton(panel, QStringLiteral("Abbrechen"), Img::Cancel);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setGeometry(239, 120, 90, 25);
  for (QPushButton* b : {btnLogin, btnCancel})
    if (b->sizeHint().width() > b->width()) b->setFixedWidth(b->sizeHint().width());
  if (btnLogin->x() + btnLogin->width() + 6 > btnCancel->x())
    btnCancel->move(btnLogin->x() + btnLogin->width() + 6, btnCancel->y());

  setTabOrder(edtUser, edtPassword);
  btnLogin->setEnabled(false);

  connect(edtUser, &QLineEdit::textChanged, this, &TDialogLogin::edtUserChange);
  connect(edtPassword, &QLineEdit::textChanged, this, &TDialogLogin::edtUserChange);
  connect(edtUser, &QLineEdit::textEdited, this, &TDialogLogin::edtUserEdited);
  connect(btnLogin, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  // The dialog sees every key before the fields do.
  edtUser->installEventFilter(this);
  edtPassword->installEventFilter(this);
  edtUser->setFocus();
}

void TDialogLogin::setErrorText(const QString& text) {
  lblError->setText(text);
  // A longer text reaches further to the left, over the free corner of the logo.
  const int width = qMax(217, lblError->fontMetrics().horizontalAdvance(text) + 2);
  lblError->setGeometry(qMin(136, this->width() - 6 - width), lblError->y(), width, lblError->height());
}

void TDialogLogin::setUserName(const QString& user) {
  edtUser->setText(user);
}

QString TDialogLogin::userName() const {
  return edtUser->text();
}

QString TDialogLogin::password() const {
  return edtPassword->text();
}

bool TDialogLogin::CheckLoginInput() {
  btnLogin->setEnabled(false);
  if (edtUser->text().isEmpty()) return false;
  if (edtPassword->text().isEmpty()) return false;
  btnLogin->setEnabled(true);
  return true;
}

void TDialogLogin::edtUserChange() {
  CheckLoginInput();
}

void TDialogLogin::edtUserEdited(const QString& text) {
  // Every letter typed (or pasted) becomes a small letter.
  const QString lower = text.toLower();
  if (lower == text) return;
  const int cursor = edtUser->cursorPosition();
  edtUser->setText(lower);
  edtUser->setCursorPosition(qMin(cursor, int(lower.size())));
}

bool TDialogLogin::FormKeyDown(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (CheckLoginInput()) accept();
      return true;
    case Qt::Key_Escape:
      reject();
      return true;
    default:
      return false;
  }
}

bool TDialogLogin::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == edtUser || watched == edtPassword) && event->type() == QEvent::KeyPress)
    return FormKeyDown(static_cast<QKeyEvent*>(event));
  return QDialog::eventFilter(watched, event);
}

void TDialogLogin::keyPressEvent(QKeyEvent* event) {
  if (!FormKeyDown(event)) QDialog::keyPressEvent(event);
}

void TDialogLogin::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // FormShow: with a user name filled in, the password is next.
  if (!edtUser->text().isEmpty())
    edtPassword->setFocus(Qt::OtherFocusReason);
  else
    edtUser->setFocus(Qt::OtherFocusReason);
}

ILoginPrompt::Result TLoginPrompt::ask(const QString& errorText, const QString& user) {
  TDialogLogin dialog(owner_);
  dialog.setErrorText(errorText);
  dialog.setUserName(user);
  Result result;
  result.confirmed = dialog.exec() == QDialog::Accepted;
  if (result.confirmed) {
    result.user = dialog.userName();
    result.password = dialog.password();
  }
  return result;
}

}  // namespace kairon
