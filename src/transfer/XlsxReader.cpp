#include "transfer/XlsxReader.h"

#include "transfer/RowSink.h"
#include "transfer/SerialDate.h"
#include "transfer/SheetXml.h"
#include "transfer/ZipArchive.h"

#include <QDir>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>
#include <QXmlStreamReader>

#include <cmath>
#include <functional>
#include <map>

namespace XlsxReader {
namespace {

using SheetXml::attribute;
using SheetXml::isEnd;
using SheetXml::isStart;
using Visit = std::function<std::optional<QString>(QXmlStreamReader&)>;

struct Relationship {
    QString type;
    QString target;
};

QString folderOf(const QString& part) {
    const qsizetype slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString resolve(const QString& folder, const QString& target) {
    if (target.startsWith(u'/')) {
        return target.mid(1);
    }
    return QDir::cleanPath(folder + target);
}

// Parses a part with `visit`, which reads tokens until it has what it needs.
std::optional<QString> parsePart(ZipArchive& zip, const QString& part, const Visit& visit) {
    QString error;
    std::unique_ptr<QIODevice> device = zip.part(part, &error);
    if (!device) {
        return error;
    }
    QXmlStreamReader xml(device.get());
    if (std::optional<QString> failure = visit(xml)) {
        return failure;
    }
    if (xml.hasError()) {
        const QString stopped = zip.stopReason();
        return !stopped.isEmpty()
                   ? stopped
                   : QStringLiteral("La parte %1 del foglio di calcolo è danneggiata (%2)")
                         .arg(part, xml.errorString());
    }
    return std::nullopt;
}

std::optional<QString> relationships(ZipArchive& zip, const QString& part,
                                     QHash<QString, Relationship>& out) {
    const QString rels = folderOf(part) + QStringLiteral("_rels/") +
                         part.mid(folderOf(part).size()) + QStringLiteral(".rels");
    if (!zip.contains(rels)) {
        return std::nullopt;
    }
    return parsePart(zip, rels, [&](QXmlStreamReader& xml) -> std::optional<QString> {
        while (!xml.atEnd()) {
            xml.readNext();
            if (isStart(xml, u"Relationship") && attribute(xml, u"TargetMode") != u"External") {
                out.insert(
                    attribute(xml, u"Id"),
                    {attribute(xml, u"Type"), resolve(folderOf(part), attribute(xml, u"Target"))});
            }
        }
        return std::nullopt;
    });
}

QString ofType(const QHash<QString, Relationship>& relationships, QStringView typeEnd) {
    for (const Relationship& relationship : relationships) {
        if (relationship.type.endsWith(typeEnd)) {
            return relationship.target;
        }
    }
    return QString();
}

// "_x000D_" and the like: characters that XML cannot hold as they are.
QString unescaped(QString text) {
    if (!text.contains(QStringLiteral("_x"))) {
        return text;
    }
    static const QRegularExpression escape(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString out;
    qsizetype last = 0;
    for (const QRegularExpressionMatch& match : escape.globalMatch(text)) {
        out += QStringView(text).mid(last, match.capturedStart() - last);
        out += QChar(char16_t(match.captured(1).toUShort(nullptr, 16)));
        last = match.capturedEnd();
    }
    out += QStringView(text).mid(last);
    return out;
}

// The text of an <si> or <is>: its <t>, or the <t> of each rich-text run; phonetic guides
// (<rPh>) are not part of the value.
QString stringItem(QXmlStreamReader& xml, QStringView element) {
    QString text;
    while (!xml.atEnd()) {
        xml.readNext();
        if (isEnd(xml, element)) {
            break;
        }
        if (isStart(xml, u"rPh")) {
            xml.skipCurrentElement();
        } else if (isStart(xml, u"t")) {
            text += xml.readElementText();
        }
    }
    return unescaped(text);
}

struct Workbook {
    QStringList sheetNames;
    QStringList sheetParts;
    DateSystem dateSystem = DateSystem::Since1900;
    QString sharedStrings;
    QString styles;
};

std::optional<QString> readWorkbook(ZipArchive& zip, Workbook& book) {
    QHash<QString, Relationship> root;
    if (std::optional<QString> failure = relationships(zip, QStringLiteral(""), root)) {
        return failure;
    }
    QString workbook = ofType(root, u"/officeDocument");
    if (workbook.isEmpty()) {
        workbook = QStringLiteral("xl/workbook.xml");
    }
    QHash<QString, Relationship> parts;
    if (std::optional<QString> failure = relationships(zip, workbook, parts)) {
        return failure;
    }
    book.sharedStrings = ofType(parts, u"/sharedStrings");
    book.styles = ofType(parts, u"/styles");
    return parsePart(zip, workbook, [&](QXmlStreamReader& xml) -> std::optional<QString> {
        while (!xml.atEnd()) {
            xml.readNext();
            if (isStart(xml, u"workbookPr")) {
                const QString flag = attribute(xml, u"date1904");
                if (flag == u"1" || flag == u"true") {
                    book.dateSystem = DateSystem::Since1904;
                }
            } else if (isStart(xml, u"sheet")) {
                // Chart sheets have no cells.
                const Relationship relationship = parts.value(attribute(xml, u"id"));
                if (relationship.type.endsWith(u"/worksheet")) {
                    book.sheetNames.append(attribute(xml, u"name"));
                    book.sheetParts.append(relationship.target);
                }
            }
        }
        return std::nullopt;
    });
}

std::optional<QString> readStyles(ZipArchive& zip, const QString& part,
                                  std::vector<NumberFormat>& styles) {
    if (part.isEmpty() || !zip.contains(part)) {
        return std::nullopt;
    }
    QHash<int, QString> codes;
    return parsePart(zip, part, [&](QXmlStreamReader& xml) -> std::optional<QString> {
        bool inCellFormats = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (isStart(xml, u"numFmt")) {
                codes.insert(attribute(xml, u"numFmtId").toInt(), attribute(xml, u"formatCode"));
            } else if (isStart(xml, u"cellXfs")) {
                inCellFormats = true;
            } else if (isEnd(xml, u"cellXfs")) {
                inCellFormats = false;
            } else if (inCellFormats && isStart(xml, u"xf")) {
                const int id = attribute(xml, u"numFmtId").toInt();
                styles.push_back(classify(id, codes.value(id)));
            }
        }
        return std::nullopt;
    });
}

std::optional<QString> readSharedStrings(ZipArchive& zip, const QString& part,
                                         std::vector<QString>& strings) {
    if (part.isEmpty() || !zip.contains(part)) {
        return std::nullopt;
    }
    return parsePart(zip, part, [&](QXmlStreamReader& xml) -> std::optional<QString> {
        while (!xml.atEnd()) {
            xml.readNext();
            if (isStart(xml, u"si")) {
                strings.push_back(stringItem(xml, u"si"));
            }
        }
        return std::nullopt;
    });
}

// "BC12" -> column 54 (from 0), or -1.
qint64 columnOf(QStringView reference) {
    qint64 column = 0;
    qsizetype i = 0;
    for (; i < reference.size() && reference[i].isLetter(); ++i) {
        const char16_t c = reference[i].toUpper().unicode();
        if (c < u'A' || c > u'Z' || column > 1'000'000) {
            return -1;
        }
        column = column * 26 + (c - u'A' + 1);
    }
    return i == 0 ? -1 : column - 1;
}

struct SheetContext {
    const std::vector<QString>& strings;
    const std::vector<NumberFormat>& styles;
    DateSystem dateSystem;
    const ReadLimits& limits;
};

QString cellValue(QXmlStreamReader& xml, const SheetContext& context) {
    const QString type = attribute(xml, u"t");
    const qsizetype style = attribute(xml, u"s").toLongLong();
    QString value;
    bool inlineText = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (isEnd(xml, u"c")) {
            break;
        }
        if (isStart(xml, u"v")) {
            value = xml.readElementText();
        } else if (isStart(xml, u"is")) {
            value = stringItem(xml, u"is");
            inlineText = true;
        } else if (xml.isStartElement()) {
            // The formula itself (<f>) and extensions: the stored value is what counts.
            xml.skipCurrentElement();
        }
    }
    if (type == u"s") {
        const qsizetype index = value.toLongLong();
        return index >= 0 && index < qsizetype(context.strings.size())
                   ? context.strings[size_t(index)]
                   : QString();
    }
    if (type == u"b") {
        return value.trimmed() == u"1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    }
    if (inlineText || type == u"inlineStr" || type == u"str" || type == u"e" || type == u"d") {
        return unescaped(value);
    }
    if (value.isEmpty()) {
        return value;
    }
    const NumberFormat format = style >= 0 && style < qsizetype(context.styles.size())
                                    ? context.styles[size_t(style)]
                                    : NumberFormat{};
    if (format.date || format.time) {
        bool ok = false;
        const double serial = value.toDouble(&ok);
        if (ok && format.date) {
            if (std::optional<SerialDate::LocalDateTime> local =
                    SerialDate::toLocal(serial, context.dateSystem)) {
                local->hasTime = local->hasTime || format.time;
                return SerialDate::isoText(*local);
            }
        } else if (ok && serial >= 0 && serial < 1) {
            const qint64 ms = std::llround(serial * 86'400'000.0) % 86'400'000;
            return QTime::fromMSecsSinceStartOfDay(int(ms)).toString(QStringLiteral("HH:mm:ss"));
        }
    }
    return SheetXml::numberText(value);
}

QString number(qint64 value) {
    return QLocale(QLocale::Italian, QLocale::Italy).toString(value);
}

// One <row>: its cells in column order, gaps made empty.
std::optional<QString> readRow(QXmlStreamReader& xml, qint64 line, const SheetContext& context,
                               RowSink& sink) {
    std::map<qint64, QString> cells;
    qint64 next = 0;
    bool tooWide = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (isEnd(xml, u"row")) {
            break;
        }
        if (!isStart(xml, u"c")) {
            continue;
        }
        const QString reference = attribute(xml, u"r");
        const qint64 column = reference.isEmpty() ? next : columnOf(reference);
        QString value = cellValue(xml, context);
        if (column < 0 || column >= qint64(context.limits.maxColumns)) {
            tooWide = tooWide || !value.isEmpty();
            continue;
        }
        next = column + 1;
        if (!value.isEmpty()) {
            cells[column] = std::move(value);
        }
    }
    if (tooWide) {
        QStringList texts;
        for (const auto& [column, value] : cells) {
            texts.append(value);
        }
        return sink.add(TableRow::refused(line,
                                          QStringLiteral("La riga ha valori oltre la colonna %1")
                                              .arg(number(context.limits.maxColumns)),
                                          texts.join(u'\t')));
    }
    TableRow row(line);
    qint64 column = 0;
    for (auto& [at, value] : cells) {
        for (; column < at; ++column) {
            row.append(QStringView());
        }
        row.append(value);
        ++column;
    }
    return sink.add(std::move(row));
}

} // namespace

NumberFormat classify(int builtInId, const QString& formatCode) {
    if ((builtInId >= 14 && builtInId <= 17) || (builtInId >= 27 && builtInId <= 31) ||
        (builtInId >= 34 && builtInId <= 36) || (builtInId >= 50 && builtInId <= 58)) {
        return {true, false};
    }
    if (builtInId == 22) {
        return {true, true};
    }
    if ((builtInId >= 18 && builtInId <= 21) || (builtInId >= 45 && builtInId <= 47) ||
        builtInId == 32 || builtInId == 33) {
        return {false, true};
    }
    if (formatCode.isEmpty()) {
        return {};
    }
    // Only the format's own letters count: not quoted text, escaped characters, colours,
    // conditions or locales in brackets.
    QString letters;
    bool quoted = false;
    for (qsizetype i = 0; i < formatCode.size(); ++i) {
        const QChar c = formatCode[i];
        if (c == u'"') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else if (c == u'[') {
            const qsizetype close = formatCode.indexOf(u']', i);
            i = close < 0 ? formatCode.size() : close;
        } else {
            letters.append(c.toLower());
        }
    }
    const bool time = letters.contains(u'h') || letters.contains(u's');
    const bool date =
        letters.contains(u'y') || letters.contains(u'd') || (letters.contains(u'm') && !time);
    return {date, time};
}

std::optional<QString> read(ZipArchive& zip, int sheet, const ReadLimits& limits, Table& table) {
    Workbook book;
    if (std::optional<QString> failure = readWorkbook(zip, book)) {
        return failure;
    }
    if (book.sheetParts.isEmpty()) {
        return QStringLiteral("La cartella di lavoro non ha fogli con celle");
    }
    table.source.format = SourceFormat::Xlsx;
    table.source.sheets = book.sheetNames;
    table.source.dateSystem = book.dateSystem;
    if (sheet < 0 || sheet >= book.sheetParts.size()) {
        return QStringLiteral("Il foglio %1 non c'è").arg(sheet + 1);
    }
    table.source.sheet = sheet;
    std::vector<NumberFormat> styles;
    if (std::optional<QString> failure = readStyles(zip, book.styles, styles)) {
        return failure;
    }
    std::vector<QString> strings;
    if (std::optional<QString> failure = readSharedStrings(zip, book.sharedStrings, strings)) {
        return failure;
    }
    const SheetContext context{strings, styles, book.dateSystem, limits};
    RowSink sink(limits, table.rows);
    return parsePart(zip, book.sheetParts[sheet],
                     [&](QXmlStreamReader& xml) -> std::optional<QString> {
                         qint64 line = 0;
                         while (!xml.atEnd()) {
                             xml.readNext();
                             if (!isStart(xml, u"row")) {
                                 continue;
                             }
                             const qint64 numbered = attribute(xml, u"r").toLongLong();
                             line = numbered > line ? numbered : line + 1;
                             if (std::optional<QString> full = readRow(xml, line, context, sink)) {
                                 return full;
                             }
                         }
                         return std::nullopt;
                     });
}

} // namespace XlsxReader
