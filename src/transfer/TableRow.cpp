#include "transfer/TableRow.h"

TableRow TableRow::refused(qint64 line, QString problem, QString sourceText) {
    TableRow row(line);
    row.m_problem = std::move(problem);
    row.m_cells = std::move(sourceText);
    return row;
}

QStringView TableRow::cell(qsizetype index) const {
    if (index < 0 || index >= size()) {
        return {};
    }
    const qint32 begin = index == 0 ? 0 : m_ends[size_t(index - 1)];
    return QStringView(m_cells).mid(begin, m_ends[size_t(index)] - begin);
}

void TableRow::append(QStringView cell) {
    m_cells.append(cell);
    m_ends.push_back(qint32(m_cells.size()));
}

void TableRow::trimTrailingEmpty() {
    while (!m_ends.empty() && cell(size() - 1).isEmpty()) {
        m_ends.pop_back();
    }
}

bool TableRow::isBlank() const {
    return m_problem.isEmpty() && m_cells.isEmpty();
}

QString TableRow::text(QChar delimiter) const {
    if (!m_problem.isEmpty()) {
        return m_cells;
    }
    QString line;
    for (qsizetype i = 0; i < size(); ++i) {
        if (i > 0) {
            line.append(delimiter);
        }
        const QStringView value = cell(i);
        const bool quoted = value.contains(delimiter) || value.contains(u'"') ||
                            value.contains(u'\n') || value.contains(u'\r');
        if (!quoted) {
            line.append(value);
            continue;
        }
        line.append(u'"');
        for (const QChar c : value) {
            line.append(c);
            if (c == u'"') {
                line.append(u'"');
            }
        }
        line.append(u'"');
    }
    return line;
}
