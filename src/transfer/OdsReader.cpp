#include "transfer/OdsReader.h"

#include "transfer/RowSink.h"
#include "transfer/SheetXml.h"
#include "transfer/ZipArchive.h"

#include <QLocale>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace OdsReader {
namespace {

using SheetXml::attribute;
using SheetXml::isEnd;
using SheetXml::isStart;

constexpr qint64 kMaxManifestBytes = 4 << 20;
// One cell's text; only a document built to harm has more (a paragraph of "text:s" that
// claims a billion spaces).
constexpr qsizetype kMaxCellChars = 1'000'000;

QString number(qint64 value) {
    return QLocale(QLocale::Italian, QLocale::Italy).toString(value);
}

qint64 repeatOf(const QXmlStreamReader& xml, QStringView name) {
    const qint64 repeat = attribute(xml, name).toLongLong();
    return repeat > 0 ? repeat : 1;
}

// "PT10H30M05S" -> "10:30:05".
QString timeText(const QString& duration) {
    static const QRegularExpression pattern(
        QStringLiteral("^PT(\\d+)H(\\d+)M(\\d+)(?:[.,]\\d+)?S$"));
    const QRegularExpressionMatch match = pattern.match(duration);
    if (!match.hasMatch()) {
        return duration;
    }
    return QStringLiteral("%1:%2:%3")
        .arg(match.captured(1).toInt(), 2, 10, QLatin1Char('0'))
        .arg(match.captured(2).toInt(), 2, 10, QLatin1Char('0'))
        .arg(match.captured(3).toInt(), 2, 10, QLatin1Char('0'));
}

// The text of one <text:p>: spans and links read through, "text:s" as its spaces, tabs and
// line breaks as themselves; notes are not part of it.
std::optional<QString> paragraph(QXmlStreamReader& xml, QString& text) {
    int depth = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isCharacters()) {
            text += xml.text();
        } else if (xml.isStartElement()) {
            if (xml.name() == u"s") {
                const qint64 spaces = repeatOf(xml, u"c");
                if (text.size() + spaces > kMaxCellChars) {
                    return QStringLiteral("Una cella supera %1 caratteri")
                        .arg(number(kMaxCellChars));
                }
                text += QString(qsizetype(spaces), u' ');
            } else if (xml.name() == u"tab") {
                text += u'\t';
            } else if (xml.name() == u"line-break") {
                text += u'\n';
            } else if (xml.name() == u"note" || xml.name() == u"annotation") {
                xml.skipCurrentElement();
                continue;
            }
            ++depth;
        } else if (xml.isEndElement()) {
            if (depth == 0) {
                break;
            }
            --depth;
        }
        if (text.size() > kMaxCellChars) {
            return QStringLiteral("Una cella supera %1 caratteri").arg(number(kMaxCellChars));
        }
    }
    return std::nullopt;
}

// The value of a cell; the reader stands on its start and ends on its end.
std::optional<QString> cellValue(QXmlStreamReader& xml, QString& value) {
    const QString type = attribute(xml, u"value-type");
    if (type == u"float" || type == u"percentage" || type == u"currency") {
        value = SheetXml::numberText(attribute(xml, u"value"));
    } else if (type == u"date") {
        value = attribute(xml, u"date-value");
    } else if (type == u"time") {
        value = timeText(attribute(xml, u"time-value"));
    } else if (type == u"boolean") {
        value = attribute(xml, u"boolean-value") == u"true" ? QStringLiteral("TRUE")
                                                            : QStringLiteral("FALSE");
    } else if (type == u"string") {
        value = attribute(xml, u"string-value");
    }
    const bool fromText = value.isEmpty();
    QStringList paragraphs;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) {
            break;
        }
        if (isStart(xml, u"p") && fromText) {
            QString text;
            if (std::optional<QString> failure = paragraph(xml, text)) {
                return failure;
            }
            paragraphs.append(text);
        } else if (xml.isStartElement()) {
            xml.skipCurrentElement();
        }
    }
    if (fromText) {
        value = paragraphs.join(u'\n');
    }
    return std::nullopt;
}

struct RowReader {
    const ReadLimits& limits;
    RowSink& sink;
    qint64 line = 1;

    // One <table:table-row>, repeated as it says.
    std::optional<QString> read(QXmlStreamReader& xml) {
        const qint64 rowRepeat = repeatOf(xml, u"number-rows-repeated");
        TableRow row(line);
        qint64 cells = 0;
        qint64 pendingEmpty = 0;
        bool tooWide = false;
        QStringList texts;
        while (!xml.atEnd()) {
            xml.readNext();
            if (isEnd(xml, u"table-row")) {
                break;
            }
            if (!isStart(xml, u"table-cell") && !isStart(xml, u"covered-table-cell")) {
                if (xml.isStartElement()) {
                    xml.skipCurrentElement();
                }
                continue;
            }
            const qint64 repeat = repeatOf(xml, u"number-columns-repeated");
            QString value;
            if (std::optional<QString> failure = cellValue(xml, value)) {
                return failure;
            }
            if (value.isEmpty()) {
                pendingEmpty += repeat;
                continue;
            }
            texts.append(value);
            if (tooWide || cells + pendingEmpty + repeat > qint64(limits.maxColumns)) {
                tooWide = true;
                continue;
            }
            if (std::optional<QString> full =
                    sink.wouldFit(pendingEmpty + repeat, value.size() * repeat)) {
                return full;
            }
            for (; pendingEmpty > 0; --pendingEmpty, ++cells) {
                row.append(QStringView());
            }
            for (qint64 i = 0; i < repeat; ++i, ++cells) {
                row.append(value);
            }
        }
        const qint64 first = line;
        line += rowRepeat;
        if (tooWide) {
            return sink.add(
                TableRow::refused(first,
                                  QStringLiteral("La riga ha valori oltre la colonna %1")
                                      .arg(number(limits.maxColumns)),
                                  texts.join(u'\t')));
        }
        if (row.size() == 0) {
            return std::nullopt;
        }
        // A repeated row with values: each copy is a row of its own, within the bounds.
        for (qint64 i = 0; i < rowRepeat; ++i) {
            TableRow copy = row;
            copy.setLine(first + i);
            if (std::optional<QString> full = sink.add(std::move(copy))) {
                return full;
            }
        }
        return std::nullopt;
    }
};

bool encrypted(ZipArchive& zip) {
    const std::optional<QByteArray> manifest =
        zip.smallPart(QStringLiteral("META-INF/manifest.xml"), kMaxManifestBytes);
    return manifest && manifest->contains("encryption-data");
}

} // namespace

std::optional<QString> read(ZipArchive& zip, int sheet, const ReadLimits& limits, Table& table) {
    table.source.format = SourceFormat::Ods;
    if (encrypted(zip)) {
        return QStringLiteral("Il foglio di calcolo è protetto da password: toglila in "
                              "LibreOffice e salvalo di nuovo");
    }
    QString error;
    std::unique_ptr<QIODevice> device = zip.part(QStringLiteral("content.xml"), &error);
    if (!device) {
        return error;
    }
    QXmlStreamReader xml(device.get());
    RowSink sink(limits, table.rows);
    RowReader rows{limits, sink};
    int index = -1;
    while (!xml.atEnd()) {
        xml.readNext();
        if (isStart(xml, u"null-date") &&
            attribute(xml, u"date-value").startsWith(QStringLiteral("1904"))) {
            table.source.dateSystem = DateSystem::Since1904;
        }
        if (!isStart(xml, u"table")) {
            continue;
        }
        table.source.sheets.append(attribute(xml, u"name"));
        if (++index != sheet) {
            xml.skipCurrentElement();
            continue;
        }
        // Rows may sit in header, group and row containers; anything else is skipped whole.
        while (!xml.atEnd()) {
            xml.readNext();
            if (isEnd(xml, u"table")) {
                break;
            }
            if (isStart(xml, u"table-row")) {
                if (std::optional<QString> failure = rows.read(xml)) {
                    return failure;
                }
            } else if (xml.isStartElement() && xml.name() != u"table-header-rows" &&
                       xml.name() != u"table-rows" && xml.name() != u"table-row-group") {
                xml.skipCurrentElement();
            }
        }
    }
    if (xml.hasError()) {
        const QString stopped = zip.stopReason();
        return !stopped.isEmpty() ? stopped
                                  : QStringLiteral("Il foglio di calcolo è danneggiato (%1)")
                                        .arg(xml.errorString());
    }
    if (table.source.sheets.isEmpty()) {
        return QStringLiteral("Il foglio di calcolo non ha tabelle");
    }
    if (sheet < 0 || sheet >= table.source.sheets.size()) {
        return QStringLiteral("Il foglio %1 non c'è").arg(sheet + 1);
    }
    table.source.sheet = sheet;
    return std::nullopt;
}

} // namespace OdsReader
