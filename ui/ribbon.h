#pragma once

#include <QIcon>
#include <QTabWidget>
#include <QToolButton>

class QHBoxLayout;

namespace kairon {

// The ribbon: pages of button groups, each group's caption below its buttons,
// and the quick-access bar in the tab row.
class TRibbonPager : public QTabWidget {
  Q_OBJECT
 public:
  explicit TRibbonPager(QWidget* parent = nullptr);

  // A new page at the end; answers the page.
  QWidget* addPage(const QString& caption, const QString& name);
  // A new group at the end of a page; answers the group.
  QWidget* addGroup(QWidget* page, const QString& caption, const QString& name);
  // A large button (28 x 28 picture above the caption) at the end of a group.
  QToolButton* addLargeButton(QWidget* group, const QString& caption, const QIcon& icon, const QString& name);
  // A small picture button at the end of the quick-access bar; its caption is the tooltip.
  QToolButton* addQuickButton(const QString& caption, const QIcon& icon, const QString& name);

  QWidget* quickAccessBar() const { return quick_; }

 private:
  QWidget* quick_ = nullptr;
  QHBoxLayout* quickLayout_ = nullptr;
};

}  // namespace kairon
