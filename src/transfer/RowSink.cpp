#include "transfer/RowSink.h"

#include <QLocale>

namespace {
QString number(qint64 value) {
    return QLocale(QLocale::Italian, QLocale::Italy).toString(value);
}
} // namespace

std::optional<QString> RowSink::wouldFit(qint64 cells, qint64 chars) const {
    if (m_cells + cells > m_limits.maxCells) {
        return QStringLiteral("Il foglio ha più di %1 celle").arg(number(m_limits.maxCells));
    }
    if (m_chars + chars > m_limits.maxTextChars) {
        return QStringLiteral("Il foglio contiene più di %1 caratteri")
            .arg(number(m_limits.maxTextChars));
    }
    return std::nullopt;
}

std::optional<QString> RowSink::add(TableRow row) {
    row.trimTrailingEmpty();
    if (row.isBlank()) {
        return std::nullopt;
    }
    const qint64 chars = row.characterCount();
    if (std::optional<QString> full = wouldFit(row.size(), chars)) {
        return full;
    }
    if (qint64(m_rows.size()) >= m_limits.maxRows) {
        return QStringLiteral("Il foglio ha più di %1 righe").arg(number(m_limits.maxRows));
    }
    m_cells += row.size();
    m_chars += chars;
    m_rows.push_back(std::move(row));
    return std::nullopt;
}
