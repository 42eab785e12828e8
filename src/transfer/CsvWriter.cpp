#include "transfer/CsvWriter.h"

#include "transfer/FormulaGuard.h"

namespace {
constexpr qsizetype kFlushChars = 1 << 20;
}

CsvWriter::CsvWriter(const QString& path, const QLocale& locale)
    : m_file(path)
    , m_delimiter(delimiterFor(locale)) {}

QChar CsvWriter::delimiterFor(const QLocale& locale) {
    return locale.decimalPoint() == QStringLiteral(",") ? QChar(u';') : QChar(u',');
}

bool CsvWriter::open(QString* error) {
    if (!m_file.open(QIODevice::WriteOnly)) {
        *error = m_file.errorString();
        return false;
    }
    m_file.write("\xEF\xBB\xBF");
    return true;
}

void CsvWriter::writeRow(const QStringList& cells) {
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0) {
            m_pending.append(m_delimiter);
        }
        const QString cell = FormulaGuard::guarded(cells[i]);
        const bool quoted = cell.contains(m_delimiter) || cell.contains(u'"') ||
                            cell.contains(u'\n') || cell.contains(u'\r');
        if (!quoted) {
            m_pending.append(cell);
            continue;
        }
        m_pending.append(u'"');
        for (const QChar c : cell) {
            if (c == u'"') {
                m_pending.append(u'"');
            }
            m_pending.append(c);
        }
        m_pending.append(u'"');
    }
    m_pending.append(QStringLiteral("\r\n"));
    if (m_pending.size() >= kFlushChars) {
        flush();
    }
}

void CsvWriter::flush() {
    m_file.write(m_pending.toUtf8());
    m_pending.clear();
}

bool CsvWriter::commit(QString* error) {
    flush();
    if (!m_file.commit()) {
        *error = m_file.errorString();
        return false;
    }
    return true;
}
