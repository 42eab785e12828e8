#include "recovery/BackupListModel.h"

#include "recovery/RestoreTexts.h"

BackupListModel::BackupListModel(QObject* parent)
    : QAbstractTableModel(parent) {}

void BackupListModel::setBackups(std::vector<BackupCatalog::Checked> backups,
                                 const QLocale& locale) {
    beginResetModel();
    m_backups = std::move(backups);
    m_locale = locale;
    endResetModel();
}

int BackupListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_backups.size());
}

int BackupListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant BackupListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    const BackupCatalog::Checked& backup = m_backups[size_t(index.row())];
    const bool readable = backup.contents.isWhole();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        if (index.column() == DateColumn) {
            return RestoreTexts::dateTime(backup.entry.localTime, m_locale);
        }
        if (!readable) {
            return QStringLiteral("—");
        }
        return m_locale.toString(index.column() == PoliciesColumn ? backup.contents.policies
                                                                  : backup.contents.contacts);
    case Qt::ToolTipRole: {
        if (readable) {
            return {};
        }
        QString why = RestoreTexts::refusal(backup.contents);
        why[0] = why[0].toUpper();
        return why;
    }
    case Qt::TextAlignmentRole:
        return index.column() == DateColumn ? QVariant()
                                            : QVariant(int(Qt::AlignRight | Qt::AlignVCenter));
    default:
        return {};
    }
}

QVariant BackupListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
    case DateColumn:
        return QStringLiteral("Scritto il");
    case PoliciesColumn:
        return QStringLiteral("Polizze");
    case ContactsColumn:
        return QStringLiteral("Contatti");
    default:
        return {};
    }
}
