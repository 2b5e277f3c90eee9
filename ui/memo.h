#pragma once

#include <QPlainTextEdit>

namespace kairon {

// A multi-line text field whose text the program reads and writes with lines
// separated by CR LF. A text set by the program and left unchanged reads back
// exactly as it was set. An optional maximum length (a line break counts as two
// characters, as stored) limits typing and pasting, not the program.
class TMemo : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit TMemo(QWidget* parent = nullptr);

  void setMaxLength(int length) { maxLength_ = length; }
  int maxLength() const { return maxLength_; }

  QString storedText() const;
  void setStoredText(const QString& text);

  // Characters of a shown text in its stored form.
  static int StoredLength(const QString& plain);

 private:
  void contentsChange(int position, int removed, int added);
  void enforceMaxLength();

  int maxLength_ = 0;
  bool settingText_ = false;
  bool limiting_ = false;
  int changeStart_ = 0;
  int changeEnd_ = -1;
  QString original_;
  QString shownOriginal_;
};

}  // namespace kairon
