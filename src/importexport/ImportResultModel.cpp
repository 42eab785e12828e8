#include "importexport/ImportResultModel.h"

#include "ui/Palette.h"
#include "ui/PlainText.h"

namespace {

constexpr qreal kResultTint = 0.14;

// A pasted cell ends at a tab or a line break: both become spaces.
QString oneCell(QString text) {
    for (QChar& c : text) {
        if (c == u'\t' || c == u'\n' || c == u'\r') {
            c = u' ';
        }
    }
    return text;
}

} // namespace

ImportResultModel::ImportResultModel(QObject* parent)
    : QAbstractTableModel(parent) {}

void ImportResultModel::setResult(const ImportResult& result) {
    beginResetModel();
    m_lines.clear();
    for (const ImportResult::Skipped& row : result.skipped) {
        m_lines.push_back({row.line, true, row.reason, row.text});
    }
    for (const ImportResult::Adjusted& row : result.adjusted) {
        m_lines.push_back({row.line, false, row.notes.join(QStringLiteral("; ")), QString()});
    }
    endResetModel();
}

QString ImportResultModel::skippedRowsText() const {
    QString text = QStringLiteral("Riga\tMotivo\tTesto\n");
    for (const Line& line : m_lines) {
        if (line.skipped) {
            text += QString::number(line.line) + u'\t' + oneCell(line.reason) + u'\t' +
                    oneCell(line.text) + u'\n';
        }
    }
    return text;
}

int ImportResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_lines.size());
}

int ImportResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 4;
}

QVariant ImportResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const Line& line = m_lines[size_t(index.row())];
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        switch (index.column()) {
        case 0:
            return QString::number(line.line);
        case 1:
            return line.skipped ? QStringLiteral("Saltata") : QStringLiteral("Corretta");
        case 2:
            return line.reason;
        default:
            return line.text;
        }
    }
    if (role == Qt::ToolTipRole && index.column() >= 2) {
        return plainToolTip(index.column() == 2 ? line.reason : line.text);
    }
    if (role == Qt::BackgroundRole) {
        return Palette::withOpacity(
            Palette::color(line.skipped ? ColorName::Red : ColorName::Orange), kResultTint);
    }
    return {};
}

QVariant ImportResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        switch (section) {
        case 0:
            return QStringLiteral("Riga");
        case 1:
            return QStringLiteral("Esito");
        case 2:
            return QStringLiteral("Motivo");
        case 3:
            return QStringLiteral("Testo");
        default:
            break;
        }
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}
