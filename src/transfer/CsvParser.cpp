#include "transfer/CsvParser.h"

#include "transfer/TaskControl.h"

#include <QHash>
#include <QLocale>
#include <QStringDecoder>
#include <QStringEncoder>

#include <csv.h>

#include <algorithm>
#include <limits>

namespace CsvParser {
namespace {

constexpr char kQuote = '"';
constexpr qsizetype kProgressStep = 1 << 16;
// Strict, so that libcsv stops at each quote it would otherwise take its own lenient way
// with, and the reader decides; strict at the end, so that a quote never closed is told.
constexpr unsigned char kOptions = CSV_STRICT | CSV_STRICT_FINI;

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

// libcsv trims spaces and tabs around unquoted fields unless told that nothing is a space; a
// cell keeps them, as spreadsheets keep them.
int noSpace(unsigned char /*c*/) {
    return 0;
}

QString number(qint64 value) {
    return QLocale(QLocale::Italian, QLocale::Italy).toString(value);
}

struct Record {
    TableRow row;        // the cells up to the column bound
    qsizetype cells = 0; // every cell, kept or not
    bool unclosed = false;
    // The text as the file holds it, without the last line break: the first line alone for
    // a record whose quote is never closed.
    QStringView source;
};

// Feeds libcsv one physical line at a time, as UTF-8, and keeps the line each record began
// on: libcsv tells where fields and records end, never where they are in the text.
class Reader final {
public:
    Reader(QStringView text, char delimiter, qsizetype maxColumns)
        : m_text(text)
        , m_delimiter(delimiter)
        , m_maxColumns(maxColumns) {
        csv_init(&m_parser, kOptions);
        csv_set_delim(&m_parser, uchar(delimiter));
        csv_set_quote(&m_parser, uchar(kQuote));
        csv_set_space_func(&m_parser, noSpace);
    }
    ~Reader() { csv_free(&m_parser); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Hands every record to `take` (blank ones too) until it returns false or the text ends.
    // Returns why reading stopped short: cancellation, or memory for a field.
    template <typename Take> std::optional<QString> read(Take&& take, TaskControl* control);

private:
    enum class Line { Read, QuoteClosedOnALaterLine, Failed };

    Line feed(QStringView line);
    Line feedPiece(QStringView piece);
    void clearRecord();
    void restart();
    QStringView decode(const void* bytes, size_t size);
    static void onField(void* bytes, size_t size, void* self);
    static void onRecord(int end, void* self);

    QStringView m_text;
    char m_delimiter;
    qsizetype m_maxColumns;
    csv_parser m_parser{};
    QStringEncoder m_encoder{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
    QByteArray m_bytes;
    QStringDecoder m_decoder{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
    QString m_field;
    Record m_record;
    bool m_ended = false;       // libcsv ended the record
    bool m_fieldOpened = false; // the field in hand crossed a line break inside its quotes
    bool m_holdNext = false;    // the next field libcsv ends is the first part of a cell
    bool m_holding = false;     // m_held begins the next cell
    QString m_held;
};

template <typename Take> std::optional<QString> Reader::read(Take&& take, TaskControl* control) {
    const qsizetype n = m_text.size();
    qsizetype pos = 0;
    qint64 line = 1;
    qsizetype reported = 0;
    qsizetype begin = 0;
    qint64 beginLine = 1;
    bool open = false; // a record has begun and not ended
    // From the line of the last refusal on (or the end, for a quote never closed), a quote
    // left open at the end of an earlier line is known to meet the same end: that refused
    // record was read in quotes through every line up to there, and reading from any of them
    // in quotes goes the same way. Refusing such a record at once, rather than reading it
    // again, keeps a file of stray quotes to two readings of each line, not one per quote.
    qint64 doomedBefore = 0;
    // The record that began at `beginLine`, refused with its first line; reading goes on from
    // the next line.
    const auto refuse = [&] {
        const qsizetype firstEnd = endOfLine(m_text, begin);
        m_record.unclosed = true;
        m_record.source = m_text.sliced(begin, firstEnd - begin);
        m_record.row = TableRow(beginLine);
        const bool more = take(m_record);
        restart();
        pos = firstEnd < n ? afterBreak(m_text, firstEnd) : n;
        line = beginLine + 1;
        open = false;
        return more;
    };
    const auto hand = [&](qsizetype end) {
        m_record.source = m_text.sliced(begin, end - begin);
        m_record.row.setLine(beginLine);
        const bool more = take(m_record);
        clearRecord();
        open = false;
        return more;
    };
    while (true) {
        if (pos == n) {
            if (!open) {
                return std::nullopt;
            }
            // The last line has no line break, or a quote is still open.
            if (csv_fini(&m_parser, onField, onRecord, this) == 0) {
                if (m_ended) {
                    hand(n);
                }
                return std::nullopt;
            }
            doomedBefore = std::numeric_limits<qint64>::max();
            if (!refuse()) {
                return std::nullopt;
            }
            continue;
        }
        if (control && pos - reported >= kProgressStep) {
            reported = pos;
            control->setDone(pos);
            if (control->isCancelled()) {
                return QStringLiteral("Lettura annullata");
            }
        }
        if (!open) {
            begin = pos;
            beginLine = line;
        }
        const qsizetype end = endOfLine(m_text, pos);
        const qsizetype next = end < n ? afterBreak(m_text, end) : n;
        const Line outcome = feed(m_text.sliced(pos, next - pos));
        if (outcome == Line::Failed) {
            return QStringLiteral("Memoria esaurita leggendo la riga %1").arg(number(line));
        }
        if (outcome == Line::QuoteClosedOnALaterLine) {
            doomedBefore = line;
            if (!refuse()) {
                return std::nullopt;
            }
            continue;
        }
        open = open || end > pos;
        pos = next;
        if (m_ended) {
            if (!hand(end)) {
                return std::nullopt;
            }
        } else if (open && end < n) {
            // A line break inside quotes: the field goes on to the next line.
            m_fieldOpened = true;
            if (line < doomedBefore) {
                if (!refuse()) {
                    return std::nullopt;
                }
                continue;
            }
        }
        ++line;
    }
}

// In pieces, so that a line of many megabytes needs no copy of its size.
Reader::Line Reader::feed(QStringView line) {
    constexpr qsizetype kPiece = qsizetype{64} * 1024;
    for (qsizetype from = 0; from < line.size();) {
        qsizetype length = std::min(kPiece, line.size() - from);
        if (from + length < line.size() && line[from + length - 1].isHighSurrogate()) {
            --length;
        }
        const Line outcome = feedPiece(line.sliced(from, length));
        if (outcome != Line::Read) {
            return outcome;
        }
        from += length;
    }
    return Line::Read;
}

Reader::Line Reader::feedPiece(QStringView piece) {
    m_bytes.resize(m_encoder.requiredSpace(piece.size()));
    const char* bytes = m_bytes.constData();
    const auto size = size_t(m_encoder.appendToBuffer(m_bytes.data(), piece) - bytes);
    // libcsv grows a field by a fixed block: a block as large as the buffer and the piece
    // makes one growth per piece at most, and at least doubles it, so that a huge field costs
    // no more than its bytes.
    csv_set_blk_size(&m_parser, std::max({size_t{128}, csv_get_buffer_size(&m_parser), size + 1}));
    size_t done = 0;
    while (true) {
        done += csv_parse(&m_parser, bytes + done, size - done, onField, onRecord, this);
        if (done == size) {
            return Line::Read;
        }
        if (csv_error(&m_parser) != CSV_EPARSE) {
            return Line::Failed;
        }
        if (bytes[done] == kQuote) {
            // A quote inside an unquoted field is a character, as spreadsheets read it.
            csv_set_opts(&m_parser, 0);
            done += csv_parse(&m_parser, bytes + done, 1, onField, onRecord, this);
            csv_set_opts(&m_parser, kOptions);
        } else if (m_fieldOpened) {
            return Line::QuoteClosedOnALaterLine;
        } else {
            // Text right after a closing quote on the same line: the cell goes on with it, to
            // the next delimiter. A delimiter given here ends the quoted part for libcsv.
            m_holdNext = true;
            csv_parse(&m_parser, &m_delimiter, 1, onField, onRecord, this);
        }
    }
}

void Reader::clearRecord() {
    m_record = Record();
    m_ended = m_fieldOpened = m_holdNext = m_holding = false;
    m_held.clear();
}

// A fresh record, from a parser in a fresh state: csv_fini clears it when it is not asked to
// tell a quote still open.
void Reader::restart() {
    csv_set_opts(&m_parser, CSV_STRICT);
    csv_fini(&m_parser, nullptr, nullptr, nullptr);
    csv_set_opts(&m_parser, kOptions);
    clearRecord();
}

// Into one buffer kept for every field, rather than a string of its own for each.
QStringView Reader::decode(const void* bytes, size_t size) {
    const auto length = qsizetype(size);
    // UTF-16 takes no more units than UTF-8 takes bytes.
    if (m_field.size() < length) {
        m_field.resize(length);
    }
    const QChar* end = m_decoder.appendToBuffer(
        m_field.data(), QByteArrayView(static_cast<const char*>(bytes), length));
    return QStringView(m_field.constData(), end - m_field.constData());
}

void Reader::onField(void* bytes, size_t size, void* self) {
    auto& reader = *static_cast<Reader*>(self);
    reader.m_fieldOpened = false;
    Record& record = reader.m_record;
    if (reader.m_holdNext) {
        reader.m_held = reader.decode(bytes, size).toString();
        reader.m_holdNext = false;
        reader.m_holding = true;
        return;
    }
    if (record.cells < reader.m_maxColumns) {
        if (reader.m_holding) {
            reader.m_held.append(reader.decode(bytes, size));
            record.row.append(reader.m_held);
        } else {
            record.row.append(reader.decode(bytes, size));
        }
    }
    reader.m_holding = false;
    ++record.cells;
}

void Reader::onRecord(int /*end*/, void* self) {
    static_cast<Reader*>(self)->m_ended = true;
}

bool usableDelimiter(QChar delimiter) {
    return delimiter.unicode() > 0 && delimiter.unicode() < 0x80 && delimiter != QChar(kQuote) &&
           !isBreak(delimiter);
}

} // namespace

std::optional<QString> parse(QStringView text, QChar delimiter, const ReadLimits& limits,
                             std::vector<TableRow>& rows, TaskControl* control) {
    if (!usableDelimiter(delimiter)) {
        return QStringLiteral("Il separatore «%1» non si può usare").arg(delimiter);
    }
    if (control) {
        control->setTotal(text.size());
    }
    qint64 cells = 0;
    std::optional<QString> stop;
    Reader reader(text, char(delimiter.unicode()), limits.maxColumns);
    const std::optional<QString> failure = reader.read(
        [&](Record& record) {
            const qint64 line = record.row.line();
            if (record.unclosed) {
                rows.push_back(TableRow::refused(
                    line,
                    QStringLiteral("Virgolette aperte alla riga %1 e mai chiuse").arg(number(line)),
                    record.source.toString()));
            } else if (record.cells > limits.maxColumns) {
                rows.push_back(TableRow::refused(
                    line,
                    QStringLiteral("La riga ha %1 colonne, più delle %2 che un foglio di calcolo "
                                   "può avere")
                        .arg(number(record.cells), number(limits.maxColumns)),
                    record.source.toString()));
            } else if (!record.row.isBlank()) {
                cells += record.row.size();
                rows.push_back(std::move(record.row));
            }
            if (qint64(rows.size()) > limits.maxRows) {
                stop = QStringLiteral("Il file ha più di %1 righe").arg(number(limits.maxRows));
            } else if (cells > limits.maxCells) {
                stop = QStringLiteral("Il file ha più di %1 celle").arg(number(limits.maxCells));
            }
            return !stop;
        },
        control);
    if (failure || stop) {
        return failure ? failure : stop;
    }
    if (control) {
        control->setDone(text.size());
    }
    return std::nullopt;
}

QChar detectDelimiter(QStringView text) {
    constexpr qsizetype kSampleChars = qsizetype{64} * 1024;
    constexpr int kSampleRecords = 50;
    constexpr qsizetype kSampleColumns = 1'000;
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
        int records = 0;
        Reader reader(sample, char(candidate.unicode()), kSampleColumns);
        reader.read(
            [&](const Record& record) {
                if (!record.unclosed && record.cells <= kSampleColumns && !record.row.isBlank()) {
                    ++widths[record.cells];
                    ++records;
                }
                return records < kSampleRecords;
            },
            nullptr);
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
