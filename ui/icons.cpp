#include "ui/icons.h"

#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <functional>

namespace kairon {

namespace {

// Every picture is drawn on a 32 x 32 grid and scaled to the pixmap size.
using Painter = std::function<void(QPainter&)>;

const QColor kOutline(60, 60, 70);
const QColor kPaper(252, 252, 250);
const QColor kGreen(46, 160, 67);
const QColor kRed(205, 45, 45);
const QColor kBlue(35, 105, 190);
const QColor kGold(222, 170, 40);

QPen pen(const QColor& c, qreal w = 1.6) {
  return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void page(QPainter& p) {
  QPainterPath path;
  path.moveTo(6, 3);
  path.lineTo(20, 3);
  path.lineTo(26, 9);
  path.lineTo(26, 29);
  path.lineTo(6, 29);
  path.closeSubpath();
  p.setPen(pen(kOutline, 1.4));
  p.setBrush(kPaper);
  p.drawPath(path);
  p.setBrush(QColor(220, 220, 215));
  p.drawPolygon(QPolygonF({QPointF(20, 3), QPointF(20, 9), QPointF(26, 9)}));
  p.setPen(pen(QColor(170, 175, 185), 1.2));
  for (int y = 13; y <= 25; y += 4) p.drawLine(QPointF(10, y), QPointF(21, y));
}

void plusBadge(QPainter& p, const QColor& c) {
  p.setPen(pen(Qt::white, 1.2));
  p.setBrush(c);
  p.drawEllipse(QPointF(23, 23), 7.5, 7.5);
  p.setPen(pen(Qt::white, 2.6));
  p.drawLine(QPointF(23, 18.5), QPointF(23, 27.5));
  p.drawLine(QPointF(18.5, 23), QPointF(27.5, 23));
}

void drawNew(QPainter& p) {
  page(p);
  plusBadge(p, kGreen);
}

void drawEdit(QPainter& p) {
  page(p);
  // A pencil across the page.
  p.save();
  p.translate(19, 19);
  p.rotate(45);
  p.setPen(pen(kOutline, 1.2));
  p.setBrush(QColor(245, 160, 40));
  p.drawRect(QRectF(-3, -13, 6, 18));
  p.setBrush(QColor(240, 200, 160));
  p.drawPolygon(QPolygonF({QPointF(-3, 5), QPointF(3, 5), QPointF(0, 11)}));
  p.setBrush(QColor(230, 120, 130));
  p.drawRect(QRectF(-3, -15, 6, 3));
  p.restore();
}

void drawCancel(QPainter& p) {
  QRadialGradient g(QPointF(13, 11), 16);
  g.setColorAt(0, QColor(240, 100, 100));
  g.setColorAt(1, kRed);
  p.setPen(pen(QColor(140, 20, 20), 1.4));
  p.setBrush(g);
  p.drawEllipse(QPointF(16, 16), 13, 13);
  p.setPen(pen(Qt::white, 3.6));
  p.drawLine(QPointF(10.5, 10.5), QPointF(21.5, 21.5));
  p.drawLine(QPointF(21.5, 10.5), QPointF(10.5, 21.5));
}

void drawSave(QPainter& p) {
  QPainterPath body;
  body.moveTo(4, 4);
  body.lineTo(25, 4);
  body.lineTo(28, 7);
  body.lineTo(28, 28);
  body.lineTo(4, 28);
  body.closeSubpath();
  p.setPen(pen(QColor(20, 50, 100), 1.4));
  p.setBrush(kBlue);
  p.drawPath(body);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(215, 225, 235));
  p.drawRect(QRectF(9, 5, 14, 9));
  p.setBrush(QColor(30, 60, 110));
  p.drawRect(QRectF(18, 6.5, 3, 6));
  p.setBrush(kPaper);
  p.drawRect(QRectF(8, 18, 16, 9));
  p.setPen(pen(QColor(170, 175, 185), 1.1));
  p.drawLine(QPointF(10, 21), QPointF(22, 21));
  p.drawLine(QPointF(10, 24), QPointF(22, 24));
}

void arrow(QPainter& p, const QPointF& from, const QPointF& to, const QColor& c, qreal width) {
  p.setPen(pen(c, width));
  p.drawLine(from, to);
  const QLineF l(to, from);
  QLineF a = l;
  a.setLength(width * 2.6);
  a.setAngle(l.angle() + 35);
  QLineF b = l;
  b.setLength(width * 2.6);
  b.setAngle(l.angle() - 35);
  p.drawLine(a);
  p.drawLine(b);
}

void drawTransmit(QPainter& p) {
  // An envelope on its way.
  p.setPen(pen(kOutline, 1.4));
  p.setBrush(QColor(250, 245, 225));
  p.drawRect(QRectF(3, 9, 20, 15));
  p.drawPolyline(QPolygonF({QPointF(3, 9), QPointF(13, 18), QPointF(23, 9)}));
  arrow(p, QPointF(15, 28), QPointF(29, 14), kGreen, 3.0);
}

void drawExit(QPainter& p) {
  p.setPen(pen(QColor(90, 55, 25), 1.4));
  p.setBrush(QColor(170, 110, 60));
  p.drawRect(QRectF(4, 3, 15, 26));
  p.setBrush(QColor(245, 215, 90));
  p.drawEllipse(QPointF(15.5, 17), 1.4, 1.4);
  arrow(p, QPointF(14, 16), QPointF(29, 16), kRed, 3.0);
}

void drawInformation(QPainter& p) {
  QRadialGradient g(QPointF(12, 10), 18);
  g.setColorAt(0, QColor(110, 170, 240));
  g.setColorAt(1, kBlue);
  p.setPen(pen(QColor(20, 60, 120), 1.4));
  p.setBrush(g);
  p.drawEllipse(QPointF(16, 16), 13, 13);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(16, 9.5), 2.3, 2.3);
  p.drawRoundedRect(QRectF(13.8, 13.5, 4.4, 11), 1.2, 1.2);
}

void drawAuthenticate(QPainter& p) {
  // A key.
  p.setPen(pen(QColor(120, 85, 10), 1.4));
  p.setBrush(kGold);
  p.drawEllipse(QPointF(10, 11), 7.5, 7.5);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(8.5, 9.5), 2.2, 2.2);
  QPainterPath shaft;
  shaft.moveTo(14.5, 15);
  shaft.lineTo(28, 28.5);
  p.setPen(QPen(QColor(120, 85, 10), 4.6, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(shaft);
  p.setPen(QPen(kGold, 2.6, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(shaft);
  p.setPen(pen(QColor(120, 85, 10), 2.4));
  p.drawLine(QPointF(22.5, 23), QPointF(19.5, 26));
  p.drawLine(QPointF(25.5, 26), QPointF(23, 28.5));
}

void cylinder(QPainter& p, qreal top, const QColor& c) {
  p.setPen(pen(QColor(50, 60, 80), 1.2));
  p.setBrush(c);
  QPainterPath body;
  body.moveTo(4, top + 3);
  body.lineTo(4, top + 9);
  body.arcTo(QRectF(4, top + 6, 20, 6), 180, 180);
  body.lineTo(24, top + 3);
  p.drawPath(body);
  p.setBrush(c.lighter(125));
  p.drawEllipse(QRectF(4, top, 20, 6));
}

void drawAllData(QPainter& p) {
  const QColor c(120, 140, 175);
  cylinder(p, 18, c);
  cylinder(p, 11, c);
  cylinder(p, 4, c);
  arrow(p, QPointF(27, 9), QPointF(27, 29), kGreen, 2.8);
}

void drawProject(QPainter& p) {
  // A briefcase.
  p.setPen(pen(QColor(80, 45, 15), 1.4));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(11, 4, 10, 6), 2, 2);
  QLinearGradient g(0, 8, 0, 28);
  g.setColorAt(0, QColor(185, 120, 60));
  g.setColorAt(1, QColor(140, 85, 35));
  p.setBrush(g);
  p.drawRoundedRect(QRectF(3, 8, 26, 20), 3, 3);
  p.setPen(pen(QColor(80, 45, 15), 1.2));
  p.drawLine(QPointF(3, 16), QPointF(29, 16));
  p.setBrush(kGold);
  p.drawRect(QRectF(14, 14, 4, 5));
}

void drawFiles(QPainter& p) {
  // A folder with a sheet in it.
  p.setPen(pen(QColor(150, 110, 20), 1.3));
  p.setBrush(QColor(235, 190, 70));
  QPainterPath back;
  back.moveTo(3, 7);
  back.lineTo(11, 7);
  back.lineTo(14, 10);
  back.lineTo(29, 10);
  back.lineTo(29, 27);
  back.lineTo(3, 27);
  back.closeSubpath();
  p.drawPath(back);
  p.setBrush(kPaper);
  p.setPen(pen(kOutline, 1.0));
  p.drawRect(QRectF(7, 8, 17, 12));
  p.setPen(pen(QColor(150, 110, 20), 1.3));
  p.setBrush(QColor(250, 210, 100));
  p.drawPolygon(QPolygonF({QPointF(3, 14), QPointF(29, 14), QPointF(29, 27), QPointF(3, 27)}));
}

void person(QPainter& p, qreal x, qreal y, qreal s, const QColor& c) {
  p.setPen(pen(c.darker(160), 1.2));
  p.setBrush(c);
  p.drawEllipse(QPointF(x, y), 4 * s, 4 * s);
  QPainterPath body;
  body.moveTo(x - 8 * s, y + 15 * s);
  body.cubicTo(x - 8 * s, y + 5 * s, x + 8 * s, y + 5 * s, x + 8 * s, y + 15 * s);
  body.closeSubpath();
  p.drawPath(body);
}

void drawPracticeGroup(QPainter& p) {
  person(p, 21, 9, 0.95, QColor(120, 160, 215));
  person(p, 12, 12, 1.1, kBlue);
}

void drawActivity(QPainter& p) {
  // A clipboard with ticked lines.
  p.setPen(pen(QColor(90, 60, 30), 1.3));
  p.setBrush(QColor(190, 140, 80));
  p.drawRoundedRect(QRectF(5, 4, 22, 26), 2, 2);
  p.setBrush(kPaper);
  p.drawRect(QRectF(8, 7, 16, 20));
  p.setBrush(QColor(160, 160, 170));
  p.drawRoundedRect(QRectF(11, 2, 10, 5), 1.5, 1.5);
  for (int i = 0; i < 3; ++i) {
    const qreal y = 12 + i * 5;
    p.setPen(pen(kGreen, 1.6));
    p.drawPolyline(QPolygonF({QPointF(10, y), QPointF(11.5, y + 1.5), QPointF(14, y - 1.5)}));
    p.setPen(pen(QColor(150, 155, 165), 1.3));
    p.drawLine(QPointF(16, y), QPointF(22, y));
  }
}

void drawBack(QPainter& p) {
  p.setPen(pen(QColor(20, 60, 120), 1.4));
  p.setBrush(kBlue);
  p.drawPolygon(QPolygonF({QPointF(4, 16), QPointF(16, 5), QPointF(16, 11), QPointF(28, 11), QPointF(28, 21),
                           QPointF(16, 21), QPointF(16, 27)}));
}

void drawForward(QPainter& p) {
  p.setPen(pen(QColor(20, 60, 120), 1.4));
  p.setBrush(kBlue);
  p.drawPolygon(QPolygonF({QPointF(28, 16), QPointF(16, 5), QPointF(16, 11), QPointF(4, 11), QPointF(4, 21),
                           QPointF(16, 21), QPointF(16, 27)}));
}

void drawCalendar(QPainter& p) {
  p.setPen(pen(kOutline, 1.3));
  p.setBrush(kPaper);
  p.drawRoundedRect(QRectF(3, 5, 26, 24), 2, 2);
  p.setBrush(kRed);
  p.drawRect(QRectF(3, 5, 26, 6));
  p.setPen(pen(kOutline, 2.0));
  p.drawLine(QPointF(9, 3), QPointF(9, 7));
  p.drawLine(QPointF(23, 3), QPointF(23, 7));
  p.setPen(Qt::NoPen);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) {
      p.setBrush(r == 1 && c == 2 ? kBlue : QColor(150, 155, 165));
      p.drawRect(QRectF(6 + c * 5.5, 14 + r * 4.8, 3.5, 3));
    }
}

void drawLogin(QPainter& p) {
  person(p, 12, 9, 1.1, kBlue);
  arrow(p, QPointF(17, 23), QPointF(30, 23), kGreen, 3.0);
}

void drawOk(QPainter& p) {
  p.setPen(QPen(kGreen, 4.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(QPolygonF({QPointF(5, 17), QPointF(13, 25), QPointF(27, 8)}));
}

Painter painterFor(Img image) {
  switch (image) {
    case Img::New:
      return drawNew;
    case Img::Edit:
      return drawEdit;
    case Img::Cancel:
      return drawCancel;
    case Img::Save:
      return drawSave;
    case Img::Transmit:
      return drawTransmit;
    case Img::Exit:
      return drawExit;
    case Img::Information:
      return drawInformation;
    case Img::Authenticate:
      return drawAuthenticate;
    case Img::AllData:
      return drawAllData;
    case Img::Project:
      return drawProject;
    case Img::Files:
      return drawFiles;
    case Img::PracticeGroup:
      return drawPracticeGroup;
    case Img::Activity:
      return drawActivity;
    case Img::Back:
      return drawBack;
    case Img::Forward:
      return drawForward;
    case Img::Calendar:
      return drawCalendar;
    case Img::Login:
      return drawLogin;
    case Img::Ok:
      return drawOk;
  }
  return drawInformation;
}

QPixmap render(const Painter& draw, int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  draw(p);
  return pm;
}

}  // namespace

QIcon KaironIcon(Img image) {
  static QHash<int, QIcon> cache;
  const int key = int(image);
  auto it = cache.find(key);
  if (it != cache.end()) return *it;
  const Painter draw = painterFor(image);
  QIcon icon;
  for (int size : {16, 28, 32, 56}) icon.addPixmap(render(draw, size));
  cache.insert(key, icon);
  return icon;
}

QPixmap KaironLogo(const QSize& size) {
  QPixmap pm(size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = qMin(size.width(), size.height());
  const QPointF c(size.width() / 2.0, size.height() / 2.0);
  // A clock face: the program records time.
  QRadialGradient g(c - QPointF(s * 0.12, s * 0.12), s * 0.6);
  g.setColorAt(0, QColor(90, 150, 225));
  g.setColorAt(1, QColor(20, 70, 150));
  p.setPen(QPen(QColor(15, 45, 100), s * 0.03));
  p.setBrush(g);
  p.drawEllipse(c, s * 0.46, s * 0.46);
  p.setBrush(Qt::white);
  p.setPen(Qt::NoPen);
  p.drawEllipse(c, s * 0.36, s * 0.36);
  p.setPen(QPen(QColor(20, 70, 150), s * 0.025, Qt::SolidLine, Qt::RoundCap));
  for (int h = 0; h < 12; ++h) {
    QLineF tick(c, c + QPointF(s * 0.33, 0));
    tick.setAngle(h * 30.0);
    QLineF inner(c, c + QPointF(s * (h % 3 == 0 ? 0.27 : 0.30), 0));
    inner.setAngle(h * 30.0);
    p.drawLine(inner.p2(), tick.p2());
  }
  p.setPen(QPen(QColor(40, 40, 50), s * 0.04, Qt::SolidLine, Qt::RoundCap));
  QLineF hour(c, c + QPointF(s * 0.18, 0));
  hour.setAngle(60);
  p.drawLine(hour);
  p.setPen(QPen(QColor(40, 40, 50), s * 0.03, Qt::SolidLine, Qt::RoundCap));
  QLineF minute(c, c + QPointF(s * 0.28, 0));
  minute.setAngle(180 - 30);
  p.drawLine(minute);
  p.setPen(QPen(QColor(46, 160, 67), s * 0.02, Qt::SolidLine, Qt::RoundCap));
  QLineF second(c, c + QPointF(s * 0.31, 0));
  second.setAngle(-40);
  p.drawLine(second);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(40, 40, 50));
  p.drawEllipse(c, s * 0.035, s * 0.035);
  return pm;
}

}  // namespace kairon
