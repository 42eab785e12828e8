#include "importexport/ImportPreviewModel.h"

#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/PlainText.h"

#include <QGuiApplication>

namespace {

constexpr qreal kPreviewTint = 0.14;
constexpr int kIconSize = 14;

} // namespace

ImportPreviewModel::ImportPreviewModel(const ImportSession& session, QObject* parent)
    : QAbstractTableModel(parent)
    , m_session(session) {}

void ImportPreviewModel::refresh() {
    beginResetModel();
    m_rows = m_session.preview();
    m_headers = m_session.headers();
    m_columns = m_session.settings().columns;
    endResetModel();
}

qsizetype ImportPreviewModel::fileColumn(int column) const {
    return column >= 2 && column < m_headers.size() + 2 ? column - 2 : -1;
}

int ImportPreviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ImportPreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_headers.size()) + 2;
}

QString ImportPreviewModel::verdictText(const ImportSession::PreviewRow& row) {
    const QString notes = row.notes.join(QStringLiteral("; "));
    switch (row.verdict) {
    case ImportPlan::Verdict::Blank:
        return QString();
    case ImportPlan::Verdict::Accepted:
        return QStringLiteral("Da importare");
    case ImportPlan::Verdict::Adjusted:
        return QStringLiteral("Corretta: ") + notes;
    case ImportPlan::Verdict::Refused:
        return QStringLiteral("Rifiutata: ") + notes;
    }
    return QString();
}

QVariant ImportPreviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const ImportSession::PreviewRow& row = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        if (index.column() == 0) {
            return QString::number(row.line);
        }
        if (index.column() == 1) {
            return verdictText(row);
        }
        return row.cells.value(index.column() - 2);
    case Qt::ToolTipRole:
        return row.notes.isEmpty() ? QVariant() : QVariant(plainToolTip(verdictText(row)));
    case Qt::BackgroundRole:
        if (row.verdict == ImportPlan::Verdict::Refused) {
            return Palette::withOpacity(Palette::color(ColorName::Red), kPreviewTint);
        }
        if (row.verdict == ImportPlan::Verdict::Adjusted) {
            return Palette::withOpacity(Palette::color(ColorName::Orange), kPreviewTint);
        }
        return {};
    case Qt::DecorationRole:
        if (index.column() != 0) {
            return {};
        }
        if (row.verdict == ImportPlan::Verdict::Refused) {
            return Icons::pixmap(u"xmark.circle.fill", kIconSize, Palette::color(ColorName::Red),
                                 qApp->devicePixelRatio());
        }
        if (row.verdict == ImportPlan::Verdict::Adjusted) {
            return Icons::pixmap(u"exclamationmark.triangle.fill", kIconSize,
                                 Palette::color(ColorName::Orange), qApp->devicePixelRatio());
        }
        return {};
    default:
        return {};
    }
}

QVariant ImportPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    const qsizetype column = fileColumn(section);
    if (role == Qt::DisplayRole) {
        if (column < 0) {
            return section == 0 ? QStringLiteral("Riga") : QStringLiteral("Esito");
        }
        const ImportField field =
            size_t(column) < m_columns.size() ? m_columns[size_t(column)] : ImportField::Ignore;
        return m_headers[column] + QStringLiteral("\n→ ") + ImportFields::label(field);
    }
    if (role == Qt::ToolTipRole && column >= 0) {
        return QStringLiteral("Fai clic per scegliere il campo di questa colonna");
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}
