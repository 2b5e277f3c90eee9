#pragma once

#include <QAbstractListModel>
#include <QStringList>
#include <QVector>

namespace kairon {

// A pick list: the display texts a chooser shows (the model's rows) and, at the
// same positions, the hidden rows whose column 0 is the id as decimal text.
// Both are cleared and filled together, so position i always belongs to row i.
class PickList : public QAbstractListModel {
  Q_OBJECT
 public:
  explicit PickList(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  // Replaces all rows at once (one model reset).
  void setRows(QVector<QStringList> hidden, QStringList display);
  void clear();

  int count() const { return int(display_.size()); }
  const QString& idText(int i) const { return hidden_[i][0]; }
  const QStringList& hiddenRow(int i) const { return hidden_[i]; }
  const QString& displayText(int i) const { return display_[i]; }

 private:
  QVector<QStringList> hidden_;
  QStringList display_;
};

}  // namespace kairon
