#include "workspace/picklist.h"

namespace kairon {

PickList::PickList(QObject* parent) : QAbstractListModel(parent) {}

int PickList::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(display_.size());
}

QVariant PickList::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() != 0 || index.row() < 0 || index.row() >= display_.size()) return {};
  if (role == Qt::DisplayRole || role == Qt::EditRole) return display_[index.row()];
  return {};
}

void PickList::setRows(QVector<QStringList> hidden, QStringList display) {
  // The two lists must stay parallel; a caller that hands in lists of different
  // lengths gets the common part only.
  const qsizetype n = qMin(hidden.size(), display.size());
  hidden.resize(n);
  display.erase(display.begin() + n, display.end());
  for (auto& row : hidden)
    if (row.isEmpty()) row << QString();
  beginResetModel();
  hidden_ = std::move(hidden);
  display_ = std::move(display);
  endResetModel();
}

void PickList::clear() {
  if (display_.isEmpty() && hidden_.isEmpty()) return;
  beginResetModel();
  hidden_.clear();
  display_.clear();
  endResetModel();
}

}  // namespace kairon
