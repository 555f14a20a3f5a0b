#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

// The rows of one kind of finding, as text, for a table view: a long list (a folder of
// strangers' files) costs one string list per row and no widget.
class CheckFindingModel : public QAbstractTableModel {
    Q_OBJECT
public:
    CheckFindingModel(QStringList headers, QObject *parent);

    void setRows(std::vector<QStringList> rows);
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QStringList headers_;
    std::vector<QStringList> rows_;
};
