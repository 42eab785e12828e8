#pragma once

#include "backup/BackupCatalog.h"

#include <QAbstractTableModel>
#include <QLocale>

#include <vector>

// The automatic backups as the restore sheet lists them, newest first: the date and time each
// was written, and the policies and contacts it holds. A backup whose counts could not be read
// shows a dash, and why in its tooltip.
class BackupListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { DateColumn, PoliciesColumn, ContactsColumn, ColumnCount };

    explicit BackupListModel(QObject* parent = nullptr);

    void setBackups(std::vector<BackupCatalog::Checked> backups, const QLocale& locale);
    const BackupCatalog::Checked& backup(int row) const { return m_backups[size_t(row)]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::vector<BackupCatalog::Checked> m_backups;
    QLocale m_locale;
};
