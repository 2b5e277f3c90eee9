#include "ui/memo.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace kairon {

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setTabChangesFocus(true);
  connect(document(), &QTextDocument::contentsChange, this, &TMemo::contentsChange);
  connect(this, &QPlainTextEdit::textChanged, this, &TMemo::enforceMaxLength);
}

int TMemo::StoredLength(const QString& plain) {
  return int(plain.size() + plain.count(QLatin1Char('\n')));
}

QString TMemo::storedText() const {
  const QString plain = toPlainText();
  if (plain == shownOriginal_) return original_;
  QString stored = plain;
  stored.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return stored;
}

void TMemo::setStoredText(const QString& text) {
  QString shown = text;
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  settingText_ = true;
  setPlainText(shown);
  settingText_ = false;
  original_ = text;
  shownOriginal_ = toPlainText();
}

void TMemo::contentsChange(int position, int /*removed*/, int added) {
  // Where the latest typing or pasting ended; the limit is applied once the
  // document has finished the change.
  if (maxLength_ <= 0 || settingText_ || limiting_ || added <= 0) return;
  changeStart_ = position;
  changeEnd_ = position + added;
}

void TMemo::enforceMaxLength() {
  if (changeEnd_ < 0 || limiting_) return;
  const QString plain = toPlainText();
  const int end = qMin(changeEnd_, int(plain.size()));
  changeEnd_ = -1;
  int excess = StoredLength(plain) - maxLength_;
  if (excess <= 0) return;
  // Drop the end of what was just typed or pasted.
  int start = end;
  while (excess > 0 && start > changeStart_) {
    --start;
    excess -= plain.at(start) == QLatin1Char('\n') ? 2 : 1;
  }
  limiting_ = true;
  QTextCursor cursor(document());
  cursor.setPosition(start);
  cursor.setPosition(end, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  limiting_ = false;
  QTextCursor caret = textCursor();
  caret.setPosition(start);
  setTextCursor(caret);
}

}  // namespace kairon
