#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "common/prompter.h"

namespace kairon {

// The message boxes of the program, as modal QMessageBoxes over the main window.
class WidgetPrompter : public IPrompter {
 public:
  explicit WidgetPrompter(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }

  void showError(const QString& text) override;
  void showInfo(const QString& text) override;
  bool confirm(const QString& text) override;
  void showPlain(const QString& text) override;
  void showCommandError(const QString& text) override;

  // The texts carry "\r\n" between lines; a box shows them as line breaks.
  static QString DisplayText(const QString& text);

 private:
  void showOk(QMessageBox::Icon icon, const QString& caption, const QString& text);
  QPointer<QWidget> parent_;
};

// The hourglass while a server request blocks the window.
class WidgetBusyIndicator : public IBusyIndicator {
 public:
  void beginWait() override;
  void endWait() override;
  void processEvents() override;

 private:
  int depth_ = 0;
};

}  // namespace kairon
