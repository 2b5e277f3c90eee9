#include "ui/dlgAbout.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "common/global.h"
#include "ui/icons.h"

namespace kairon {

const QString TDialogAbout::kPublisher = QStringLiteral("Kairon Zeiterfassung – © 2026 Kairon Software");

namespace {

// The logo picture: the clock and the name, on a transparent ground; its lower
// part stays free for the two text lines that lie over it.
QPixmap aboutLogo() {
  QPixmap pm(294, 193);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.drawPixmap(14, 18, KaironLogo(QSize(130, 130)));
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(38);
  f.setBold(true);
  p.setFont(f);
  p.setPen(QColor(20, 70, 150));
  p.drawText(QRect(150, 44, 144, 50), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Kairon"));
  f.setPixelSize(15);
  f.setBold(false);
  p.setFont(f);
  p.setPen(QColor(90, 90, 100));
  p.drawText(QRect(152, 96, 142, 40), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Windows Client"));
  return pm;
}

QLabel* boldLabel(QWidget* parent, qreal growPt) {
  auto* label = new QLabel(parent);
  QFont f = label->font();
  f.setBold(true);
  f.setPointSizeF(f.pointSizeF() + growPt);
  label->setFont(f);
  return label;
}

}  // namespace

TDialogAbout::TDialogAbout(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("DialogAbout"));
  setWindowTitle(QStringLiteral("Über ..."));
  setFixedSize(435, 250);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);

  imgLogo = new QLabel(this);
  imgLogo->setObjectName(QStringLiteral("imgLogo"));
  imgLogo->setGeometry(40, 0, 294, 193);
  imgLogo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  imgLogo->setPixmap(aboutLogo());

  Label1 = boldLabel(this, 1);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label2 = boldLabel(this, 1);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setText(kPublisher);
  const int lineH = Label1->fontMetrics().height() + 2;
  Label1->setGeometry(57, 171, 368, lineH);
  Label2->setGeometry(57, 193, 368, lineH);

  btnOk = new QPushButton(KaironIcon(Img::Ok), QStringLiteral("Ok"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setFlat(true);
  btnOk->setAutoDefault(false);
  btnOk->setFocusPolicy(Qt::NoFocus);
  btnOk->setAccessibleName(QStringLiteral("Ok"));
  btnOk->setGeometry(172, 216, 90, 25);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

  FormCreate();
}

void TDialogAbout::FormCreate() {
  Label1->setText(QStringLiteral("Version: ") + GetFileVersionText(QCoreApplication::applicationFilePath()));
}

void TDialogAbout::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace kairon
