#include "workspace/entrylist.h"

#include <QBrush>

namespace kairon {

const QColor TimeEntryModel::kIncompleteColour{255, 206, 206};

namespace {

const QString kNoValue = QStringLiteral("-----");

const std::array<QString, TimeEntryModel::kColumns> kHeaders{
    QStringLiteral("Datum"),        QStringLiteral("Zeit(Industrie)"),
    QStringLiteral("Zeit(Minute)"), QStringLiteral("Mandat/Mandant"),
    QStringLiteral("Akte"),         QStringLiteral("Practice Group"),
    QStringLiteral("Aktivität"),    QStringLiteral("Lockstatus")};

constexpr std::array<int, TimeEntryModel::kColumns> kAlignment{
    int(Qt::AlignLeft | Qt::AlignVCenter),  int(Qt::AlignRight | Qt::AlignVCenter),
    int(Qt::AlignRight | Qt::AlignVCenter), int(Qt::AlignLeft | Qt::AlignVCenter),
    int(Qt::AlignLeft | Qt::AlignVCenter),  int(Qt::AlignLeft | Qt::AlignVCenter),
    int(Qt::AlignLeft | Qt::AlignVCenter),  int(Qt::AlignHCenter | Qt::AlignVCenter)};

}  // namespace

TimeEntryModel::TimeEntryModel(QObject* parent) : QAbstractTableModel(parent) {}

int TimeEntryModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(rows_.size());
}

int TimeEntryModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant TimeEntryModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() < 0 || index.row() >= rows_.size() || index.column() < 0 ||
      index.column() >= kColumns)
    return {};
  const Row& r = rows_[index.row()];
  switch (role) {
    case Qt::DisplayRole:
      return r.text[index.column()];
    case Qt::TextAlignmentRole:
      return kAlignment[index.column()];
    case Qt::BackgroundRole:
      if (r.state == RowState::Locked) return QBrush(lockedColour_);
      if (r.state == RowState::Incomplete) return QBrush(kIncompleteColour);
      return {};
    case RowStateRole:
      return int(r.state);
    default:
      return {};
  }
}

QVariant TimeEntryModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) return {};
  if (role == Qt::DisplayRole) return kHeaders[section];
  if (role == Qt::TextAlignmentRole) return kAlignment[section];
  return {};
}

Qt::ItemFlags TimeEntryModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

TimeEntryModel::RowState TimeEntryModel::StateOf(const Row& row) {
  // A locked entry is marked as locked whatever else it holds.
  if (row.text[colLock] != kNoValue) return RowState::Locked;
  if (row.text[colMinute] == QLatin1String("0")) return RowState::Incomplete;
  for (int c = colProject; c <= colActivity; ++c)
    if (row.text[c] == kNoValue) return RowState::Incomplete;
  return RowState::Normal;
}

void TimeEntryModel::setRows(QVector<Row> rows) {
  for (Row& r : rows) r.state = StateOf(r);
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

void TimeEntryModel::rebuild(const std::function<void(QVector<Row>&)>& fill) {
  beginResetModel();
  rows_.clear();  // keeps the capacity for the new rows
  try {
    fill(rows_);
  } catch (...) {
    for (Row& r : rows_) r.state = StateOf(r);
    endResetModel();
    throw;
  }
  for (Row& r : rows_) r.state = StateOf(r);
  endResetModel();
}

void TimeEntryModel::clear() {
  if (rows_.isEmpty()) return;
  beginResetModel();
  rows_.clear();
  endResetModel();
}

void TimeEntryModel::setLockedColour(const QColor& colour) {
  if (colour == lockedColour_) return;
  lockedColour_ = colour;
  if (!rows_.isEmpty()) emit dataChanged(index(0, 0), index(int(rows_.size()) - 1, kColumns - 1), {Qt::BackgroundRole});
}

}  // namespace kairon
