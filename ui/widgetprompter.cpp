#include "ui/widgetprompter.h"

#include <QApplication>
#include <QCursor>
#include <QPushButton>

namespace kairon {

QString WidgetPrompter::DisplayText(const QString& text) {
  QString shown = text;
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return shown;
}

namespace {
// Gives the keyboard back to the window the box stood over, also where no
// window manager does it, so a field that asked for the focus gets it.
void Reactivate(QWidget* parent) {
  if (parent && parent->isVisible()) parent->window()->activateWindow();
}
}  // namespace

void WidgetPrompter::showOk(QMessageBox::Icon icon, const QString& caption, const QString& text) {
  QMessageBox box(icon, caption, DisplayText(text), QMessageBox::NoButton, parent_);
  box.setTextFormat(Qt::PlainText);
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
  Reactivate(parent_);
}

void WidgetPrompter::showError(const QString& text) {
  showOk(QMessageBox::Critical, QStringLiteral("Fehler"), text);
}

void WidgetPrompter::showInfo(const QString& text) {
  showOk(QMessageBox::Information, QStringLiteral("Informationen"), text);
}

bool WidgetPrompter::confirm(const QString& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Bestätigen"), DisplayText(text), QMessageBox::NoButton,
                  parent_);
  box.setTextFormat(Qt::PlainText);
  QPushButton* yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
  box.setDefaultButton(yes);
  // Escape and the window's close button answer "Nein".
  box.setEscapeButton(no);
  box.exec();
  Reactivate(parent_);
  return box.clickedButton() != no;
}

void WidgetPrompter::showPlain(const QString& text) {
  showOk(QMessageBox::NoIcon, kAppTitle, text);
}

void WidgetPrompter::showCommandError(const QString& text) {
  showOk(QMessageBox::Critical, kAppTitle, text);
}

void WidgetBusyIndicator::beginWait() {
  ++depth_;
  QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void WidgetBusyIndicator::endWait() {
  if (depth_ == 0) return;
  --depth_;
  QApplication::restoreOverrideCursor();
}

void WidgetBusyIndicator::processEvents() {
  QCoreApplication::processEvents();
}

}  // namespace kairon
