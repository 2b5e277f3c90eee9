#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kairon {

// Logo, version of the program file and publisher line.
class TDialogAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TDialogAbout(QWidget* owner = nullptr);

  // The publisher line.
  static const QString kPublisher;

  QLabel* imgLogo = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QPushButton* btnOk = nullptr;

 protected:
  // "Ok" takes no focus, so Enter and Escape close nothing.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormCreate();
};

}  // namespace kairon
