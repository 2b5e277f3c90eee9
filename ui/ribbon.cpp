#include "ui/ribbon.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QTabBar>
#include <QVBoxLayout>

namespace kairon {

namespace {
const char* const kButtonsLayout = "kaironButtons";

// Group captions: between the normal and the disabled text colour.
QColor blendCaption(const QPalette& pal) {
  const QColor a = pal.color(QPalette::Active, QPalette::WindowText);
  const QColor b = pal.color(QPalette::Disabled, QPalette::WindowText);
  return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}
}  // namespace

TRibbonPager::TRibbonPager(QWidget* parent) : QTabWidget(parent) {
  setObjectName(QStringLiteral("AdvToolBarPager1"));
  setDocumentMode(false);
  setUsesScrollButtons(false);
  setFocusPolicy(Qt::NoFocus);
  tabBar()->setFocusPolicy(Qt::NoFocus);
  tabBar()->setDrawBase(true);
  tabBar()->setExpanding(false);

  quick_ = new QWidget(this);
  quick_->setObjectName(QStringLiteral("AdvQuickAccessToolBar1"));
  quickLayout_ = new QHBoxLayout(quick_);
  quickLayout_->setContentsMargins(4, 0, 6, 2);
  quickLayout_->setSpacing(1);
  // The bar is fixed: no context menu, no customising.
  quick_->setContextMenuPolicy(Qt::PreventContextMenu);
  setCornerWidget(quick_, Qt::TopRightCorner);
}

QWidget* TRibbonPager::addPage(const QString& caption, const QString& name) {
  auto* page = new QWidget;
  page->setObjectName(name);
  auto* row = new QHBoxLayout(page);
  row->setContentsMargins(4, 3, 4, 2);
  row->setSpacing(0);
  row->addStretch(1);
  addTab(page, caption);
  return page;
}

QWidget* TRibbonPager::addGroup(QWidget* page, const QString& caption, const QString& name) {
  auto* row = static_cast<QHBoxLayout*>(page->layout());
  const bool first = row->count() == 1;
  if (!first) {
    auto* line = new QFrame(page);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    row->insertWidget(row->count() - 1, line);
  }
  auto* group = new QWidget(page);
  group->setObjectName(name);
  auto* column = new QVBoxLayout(group);
  column->setContentsMargins(6, 0, 6, 0);
  column->setSpacing(2);
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(2);
  buttons->setObjectName(QLatin1String(kButtonsLayout));
  column->addLayout(buttons);
  column->addStretch(1);
  auto* label = new QLabel(caption, group);
  label->setObjectName(name + QStringLiteral("Caption"));
  label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, blendCaption(pal));
  label->setPalette(pal);
  column->addWidget(label);
  row->insertWidget(row->count() - 1, group);
  return group;
}

QToolButton* TRibbonPager::addLargeButton(QWidget* group, const QString& caption, const QIcon& icon,
                                          const QString& name) {
  auto* buttons = group->findChild<QHBoxLayout*>(QLatin1String(kButtonsLayout));
  auto* b = new QToolButton(group);
  b->setObjectName(name);
  b->setText(caption);
  b->setAccessibleName(caption);
  b->setIcon(icon);
  b->setIconSize(QSize(28, 28));
  b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::NoFocus);
  b->setMinimumWidth(qMax(64, b->sizeHint().width()));
  b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  buttons->addWidget(b);
  return b;
}

QToolButton* TRibbonPager::addQuickButton(const QString& caption, const QIcon& icon, const QString& name) {
  auto* b = new QToolButton(quick_);
  b->setObjectName(name);
  b->setText(caption);
  b->setToolTip(caption);
  b->setAccessibleName(caption);
  b->setIcon(icon);
  b->setIconSize(QSize(16, 16));
  b->setToolButtonStyle(Qt::ToolButtonIconOnly);
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::NoFocus);
  quickLayout_->addWidget(b);
  return b;
}

}  // namespace kairon
