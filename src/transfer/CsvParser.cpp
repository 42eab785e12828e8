#include "transfer/CsvParser.h"

#include "transfer/TaskControl.h"

#include <QHash>
#include <QLocale>

namespace CsvParser {
namespace {

constexpr QChar kQuote = u'"';
constexpr qsizetype kProgressStep = 1 << 16;

bool isBreak(QChar c) {
    return c == u'\n' || c == u'\r';
}

// After one line break (CRLF, LF or a lone CR).
qsizetype afterBreak(QStringView text, qsizetype pos) {
    return text[pos] == u'\r' && pos + 1 < text.size() && text[pos + 1] == u'\n' ? pos + 2
                                                                                 : pos + 1;
}

qsizetype endOfLine(QStringView text, qsizetype pos) {
    while (pos < text.size() && !isBreak(text[pos])) {
        ++pos;
    }
    return pos;
}

enum class Outcome { Record, Unclosed, TooWide };

struct Record {
    Outcome outcome = Outcome::Record;
    TableRow row;
    qsizetype end = 0; // where the next record begins
    qint64 nextLine = 0;
    qsizetype cells = 0;
};

// One record from `pos`, which begins at line `line`. Cells beyond `maxColumns` are counted,
// not kept.
Record readRecord(QStringView text, qsizetype pos, qint64 line, QChar delimiter,
                  qsizetype maxColumns) {
    Record record;
    record.row = TableRow(line);
    const qsizetype n = text.size();
    QString field;
    bool started = false; // the field has begun: a quote from here on is a character
    const auto push = [&] {
        if (record.cells < maxColumns) {
            record.row.append(field);
        }
        ++record.cells;
        field.clear();
        started = false;
    };
    while (true) {
        if (pos == n) {
            push();
            break;
        }
        const QChar c = text[pos];
        if (c == delimiter) {
            push();
            ++pos;
            continue;
        }
        if (isBreak(c)) {
            push();
            pos = afterBreak(text, pos);
            ++line;
            break;
        }
        if (c == kQuote && !started) {
            // A quoted field, to its closing quote.
            started = true;
            const qint64 opened = line;
            ++pos;
            bool closed = false;
            while (pos < n) {
                qsizetype run = pos;
                while (run < n && text[run] != kQuote && !isBreak(text[run])) {
                    ++run;
                }
                field.append(text.sliced(pos, run - pos));
                pos = run;
                if (pos == n) {
                    break;
                }
                if (isBreak(text[pos])) {
                    // Kept as written: a text may hold a carriage return of its own.
                    const qsizetype next = afterBreak(text, pos);
                    field.append(text.sliced(pos, next - pos));
                    pos = next;
                    ++line;
                    continue;
                }
                if (pos + 1 < n && text[pos + 1] == kQuote) {
                    field.append(kQuote);
                    pos += 2;
                    continue;
                }
                ++pos;
                closed = true;
                break;
            }
            const bool followedByText = pos < n && text[pos] != delimiter && !isBreak(text[pos]);
            if (!closed || (followedByText && line != opened)) {
                record.outcome = Outcome::Unclosed;
                return record;
            }
            continue;
        }
        started = true;
        qsizetype run = pos + 1;
        while (run < n && text[run] != delimiter && !isBreak(text[run])) {
            ++run;
        }
        field.append(text.sliced(pos, run - pos));
        pos = run;
    }
    if (record.cells > maxColumns) {
        record.outcome = Outcome::TooWide;
    }
    record.end = pos;
    record.nextLine = line;
    return record;
}

QString number(qint64 value) {
    return QLocale(QLocale::Italian, QLocale::Italy).toString(value);
}

} // namespace

std::optional<QString> parse(QStringView text, QChar delimiter, const ReadLimits& limits,
                             std::vector<TableRow>& rows, TaskControl* control) {
    qsizetype pos = 0;
    qint64 line = 1;
    qint64 cells = 0;
    qsizetype reported = 0;
    if (control) {
        control->setTotal(text.size());
    }
    while (pos < text.size()) {
        if (control && pos - reported >= kProgressStep) {
            reported = pos;
            control->setDone(pos);
            if (control->isCancelled()) {
                return QStringLiteral("Lettura annullata");
            }
        }
        Record record = readRecord(text, pos, line, delimiter, limits.maxColumns);
        switch (record.outcome) {
        case Outcome::Unclosed: {
            // Refused alone: the line it began on, and on from the next line.
            const qsizetype end = endOfLine(text, pos);
            rows.push_back(TableRow::refused(
                line,
                QStringLiteral("Virgolette aperte alla riga %1 e mai chiuse").arg(number(line)),
                text.sliced(pos, end - pos).toString()));
            pos = end < text.size() ? afterBreak(text, end) : end;
            ++line;
            break;
        }
        case Outcome::TooWide: {
            qsizetype end = record.end;
            while (end > pos && isBreak(text[end - 1])) {
                --end;
            }
            rows.push_back(TableRow::refused(
                line,
                QStringLiteral("La riga ha %1 colonne, più delle %2 che un foglio di calcolo "
                               "può avere")
                    .arg(number(record.cells), number(limits.maxColumns)),
                text.sliced(pos, end - pos).toString()));
            pos = record.end;
            line = record.nextLine;
            break;
        }
        case Outcome::Record:
            if (!record.row.isBlank()) {
                cells += record.row.size();
                rows.push_back(std::move(record.row));
            }
            pos = record.end;
            line = record.nextLine;
            break;
        }
        if (qint64(rows.size()) > limits.maxRows) {
            return QStringLiteral("Il file ha più di %1 righe").arg(number(limits.maxRows));
        }
        if (cells > limits.maxCells) {
            return QStringLiteral("Il file ha più di %1 celle").arg(number(limits.maxCells));
        }
    }
    if (control) {
        control->setDone(text.size());
    }
    return std::nullopt;
}

QChar detectDelimiter(QStringView text) {
    constexpr qsizetype kSampleChars = qsizetype{64} * 1024;
    constexpr int kSampleRecords = 50;
    QStringView sample = text.first(std::min(text.size(), kSampleChars));
    if (sample.size() < text.size()) {
        const qsizetype lastBreak = std::max(sample.lastIndexOf(u'\n'), sample.lastIndexOf(u'\r'));
        if (lastBreak > 0) {
            sample = sample.first(lastBreak);
        }
    }
    QChar best = u',';
    int bestFrequency = 0;
    qsizetype bestWidth = 0;
    for (const QChar candidate : {QChar(u','), QChar(u';'), QChar(u'\t'), QChar(u'|')}) {
        QHash<qsizetype, int> widths;
        qsizetype pos = 0;
        qint64 line = 1;
        for (int records = 0; records < kSampleRecords && pos < sample.size();) {
            const Record record = readRecord(sample, pos, line, candidate, 1'000);
            if (record.outcome != Outcome::Record) {
                pos = endOfLine(sample, pos);
                pos = pos < sample.size() ? afterBreak(sample, pos) : pos;
                ++line;
                continue;
            }
            if (!record.row.isBlank()) {
                ++widths[record.cells];
                ++records;
            }
            pos = record.end;
            line = record.nextLine;
        }
        for (auto it = widths.cbegin(); it != widths.cend(); ++it) {
            const bool better =
                it.value() > bestFrequency || (it.value() == bestFrequency && it.key() > bestWidth);
            if (it.key() >= 2 && better) {
                best = candidate;
                bestFrequency = it.value();
                bestWidth = it.key();
            }
        }
    }
    return best;
}

} // namespace CsvParser
