#pragma once

#include <QString>
#include <QStringView>

#include <vector>

// One row of a file read as a table: its cells, and the line of the file (or the row of the
// sheet) where it begins, counted from 1. The cells share one string, so that a million of
// them cost little more than their characters.
//
// A row the reader could not take as cells (too wide, a quote never closed) has no cells, a
// problem saying why, and its text as the file holds it.
class TableRow final {
public:
    TableRow() = default;
    explicit TableRow(qint64 line)
        : m_line(line) {}
    static TableRow refused(qint64 line, QString problem, QString sourceText);

    qint64 line() const { return m_line; }
    void setLine(qint64 line) { m_line = line; }
    qsizetype size() const { return qsizetype(m_ends.size()); }
    // Empty beyond the last cell.
    QStringView cell(qsizetype index) const;
    void append(QStringView cell);
    // Drops empty cells at the end (a spreadsheet's formatted but empty columns).
    void trimTrailingEmpty();
    bool isBlank() const;
    // Characters of all cells together.
    qsizetype characterCount() const { return m_cells.size(); }

    const QString& problem() const { return m_problem; }
    // The row as one line of text: the file's own for a refused row, otherwise the cells
    // joined by `delimiter` with the quoting of RFC 4180.
    QString text(QChar delimiter) const;

private:
    qint64 m_line = 0;
    QString m_cells;
    std::vector<qint32> m_ends;
    QString m_problem;
};
