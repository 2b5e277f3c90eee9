#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QVector>
#include <array>
#include <functional>

namespace kairon {

// The rows of the time-entry list: eight texts per row and, at the same index,
// the entry id (the hidden list lbTimeEntries). A QTableView shows it.
class TimeEntryModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { colDatum, colIndustrie, colMinute, colProject, colFile, colPracticeGroup, colActivity, colLock };
  enum class RowState { Normal, Incomplete, Locked };
  static constexpr int RowStateRole = Qt::UserRole + 1;
  static constexpr int kColumns = 8;
  static const QColor kIncompleteColour;  // 255/206/206

  struct Row {
    std::array<QString, kColumns> text;
    qint64 id = 0;
    RowState state = RowState::Normal;
  };

  explicit TimeEntryModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Replaces all rows with one model reset; the state of each row is computed here.
  void setRows(QVector<Row> rows);
  void clear();
  // Empties the rows and lets fill append the new ones, all within one model
  // reset; the old rows are gone before the new ones are made. When fill
  // throws, the rows it appended stay and the exception goes on.
  void rebuild(const std::function<void(QVector<Row>&)>& fill);

  int count() const { return int(rows_.size()); }
  const Row& row(int i) const { return rows_[i]; }
  // lbTimeEntries: the entry id of row i as decimal text.
  QString idText(int i) const { return QString::number(rows_[i].id); }
  qint64 id(int i) const { return rows_[i].id; }
  QString text(int row, int column) const { return rows_[row].text[column]; }

  // Background of locked rows: the palette's tooltip colour, set by the view.
  void setLockedColour(const QColor& colour);

  static RowState StateOf(const Row& row);

 private:
  QVector<Row> rows_;
  QColor lockedColour_{255, 255, 225};
};

}  // namespace kairon
