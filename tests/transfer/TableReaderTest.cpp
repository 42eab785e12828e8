#include "transfer/TableReader.h"
#include "SheetFiles.h"
#include "support/QtPrinters.h"
#include "transfer/CsvParser.h"
#include "transfer/SerialDate.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string_view>

namespace {

using namespace std::string_view_literals;

using namespace SheetFiles;

// Each row as "line: cell|cell", or "line! reason" for a row the reader refused.
QStringList describe(const Table& table) {
    QStringList lines;
    for (const TableRow& row : table.rows) {
        if (!row.problem().isEmpty()) {
            lines.append(QStringLiteral("%1! %2").arg(row.line()).arg(row.problem()));
            continue;
        }
        QStringList cells;
        for (qsizetype i = 0; i < row.size(); ++i) {
            cells.append(row.cell(i).toString());
        }
        lines.append(QStringLiteral("%1: %2").arg(row.line()).arg(cells.join(u'|')));
    }
    return lines;
}

class ReaderTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    TableReader::Result readBytes(const QByteArray& bytes,
                                  const TableReader::Options& options = {}) {
        const QString file = path(QStringLiteral("input.csv"));
        EXPECT_TRUE(writeBytes(file, bytes));
        return TableReader::read(file, options);
    }
    QTemporaryDir m_dir;
};

QByteArray encoded(const QString& text, TextEncoding encoding, bool bom) {
    QByteArray bytes;
    switch (encoding) {
    case TextEncoding::Utf8:
        return (bom ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + text.toUtf8();
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        const bool little = encoding == TextEncoding::Utf16LE;
        bytes = little ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
        for (const QChar c : text) {
            const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
            bytes.append(little ? low : high).append(little ? high : low);
        }
        return bytes;
    }
    case TextEncoding::Windows1252:
        for (const QChar c : text) {
            bytes += c == u'€' ? '\x80' : char(c.unicode());
        }
        return bytes;
    }
    return bytes;
}

struct EncodingCase {
    TextEncoding encoding;
    bool bom;
    QChar delimiter;
};

class EncodingsAndDelimiters : public ReaderTest,
                               public ::testing::WithParamInterface<EncodingCase> {};

TEST_P(EncodingsAndDelimiters, AreDetectedAndEveryCellReadsAsWritten) {
    const auto [encoding, bom, d] = GetParam();
    const QString text =
        QStringLiteral("Nome%1Cognome%1Note\r\n"
                       "Renée%1\"Müller%1 Jr\"%1\"due\r\nrighe \"\"citate\"\"\"\r\n"
                       "€uro%1Ça%1x\r\n")
            .arg(d);
    const TableReader::Result result = readBytes(encoded(text, encoding, bom));
    ASSERT_FALSE(result.error) << result.error->toStdString();
    EXPECT_EQ(result.table.source.encoding, encoding);
    EXPECT_EQ(result.table.source.delimiter, d);
    EXPECT_EQ(result.table.source.replacedCharacters, 0);
    EXPECT_EQ(describe(result.table),
              (QStringList{QStringLiteral("1: Nome|Cognome|Note"),
                           QStringLiteral("2: Renée|Müller%1 Jr|due\r\nrighe \"citate\"").arg(d),
                           QStringLiteral("4: €uro|Ça|x")}));
}

std::vector<EncodingCase> encodingCases() {
    std::vector<EncodingCase> cases;
    for (const QChar d : {u',', u';', u'\t', u'|'}) {
        cases.push_back({TextEncoding::Utf8, true, d});
        cases.push_back({TextEncoding::Utf8, false, d});
        cases.push_back({TextEncoding::Utf16LE, true, d});
        cases.push_back({TextEncoding::Utf16BE, true, d});
        cases.push_back({TextEncoding::Windows1252, false, d});
    }
    return cases;
}
INSTANTIATE_TEST_SUITE_P(Csv, EncodingsAndDelimiters, ::testing::ValuesIn(encodingCases()));

struct RfcCase {
    const char* name;
    std::string_view text; // may hold NUL
    std::vector<std::string_view> rows;
};

class RfcCases : public ::testing::TestWithParam<RfcCase> {};

TEST_P(RfcCases, ReadAsRfc4180AndSpreadsheetsDo) {
    std::vector<TableRow> rows;
    const auto text = [](std::string_view bytes) {
        return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    };
    ASSERT_FALSE(CsvParser::parse(text(GetParam().text), u',', ReadLimits(), rows));
    Table table;
    table.rows = std::move(rows);
    QStringList expected;
    for (const std::string_view row : GetParam().rows) {
        expected.append(text(row));
    }
    EXPECT_EQ(describe(table), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Csv, RfcCases,
    ::testing::Values(
        RfcCase{"Crlf", "a,b,c\r\n1,2,3\r\n", {"1: a|b|c", "2: 1|2|3"}},
        RfcCase{"QuotedDelimiterAndQuotes", "\"a,b\",\"say \"\"hi\"\"\"\n", {"1: a,b|say \"hi\""}},
        RfcCase{"LineBreakInsideQuotes", "\"x\r\ny\",z\nw,v", {"1: x\r\ny|z", "3: w|v"}},
        RfcCase{"MixedLineEnds", "a\rb\nc\r\nd", {"1: a", "2: b", "3: c", "4: d"}},
        RfcCase{"EmptyFields", ",x,\n\"\",y", {"1: |x|", "2: |y"}},
        RfcCase{"BlankLinesLeftOut", "a\n\n,,\nb", {"1: a", "4: b"}},
        RfcCase{"SpacesAreKept", " a ,\"b\" , \"c\"", {"1:  a |b | \"c\""}},
        RfcCase{"StrayQuoteIsACharacter", "ab\"c,d", {"1: ab\"c|d"}},
        RfcCase{"TextAfterAClosingQuoteIsKept", "\"ab\"cd,e", {"1: abcd|e"}},
        RfcCase{"UnclosedQuoteCostsItsLineOnly",
                "h1,h2\nr2,x\nr3,\"open\nr4,y\nr5,z",
                {"1: h1|h2", "2: r2|x", "3! Virgolette aperte alla riga 3 e mai chiuse", "4: r4|y",
                 "5: r5|z"}},
        RfcCase{"QuoteClosedLinesLaterBeforeText",
                "a,\"b\nc\"d,e\n\"f\",g",
                {"1! Virgolette aperte alla riga 1 e mai chiuse", "2: c\"d|e", "3: f|g"}},
        // Each line read from its start opens a quote, and read in quotes closes one and
        // opens the next: every line is refused alone, each read no more than twice.
        RfcCase{"AQuoteLeftOpenOnEveryLine",
                "\"a\nx\",y,\"z\nx\",y,\"z\nx\",y,\"z",
                {"1! Virgolette aperte alla riga 1 e mai chiuse",
                 "2! Virgolette aperte alla riga 2 e mai chiuse",
                 "3! Virgolette aperte alla riga 3 e mai chiuse",
                 "4! Virgolette aperte alla riga 4 e mai chiuse"}},
        RfcCase{"NulIsACharacter", "a\0b,\"\0\"\n"sv, {"1: a\0b|\0"sv}}),
    [](const auto& tested) { return std::string(tested.param.name); });

// U+012C would otherwise split at its low byte, a comma.
TEST(CsvDelimiters, ThatCannotSplitAreRefusedRatherThanTruncated) {
    std::vector<TableRow> rows;
    for (const QChar delimiter : {QChar(u'"'), QChar(u'\n'), QChar(0x12C)}) {
        EXPECT_TRUE(CsvParser::parse(u"a,b", delimiter, ReadLimits(), rows));
    }
    EXPECT_TRUE(rows.empty());
}

TEST_F(ReaderTest, AnUnclosedQuoteAtLine3Of10000LosesThatRowOnly) {
    QByteArray text = "Nome,Numero\n";
    for (int line = 2; line <= 10'000; ++line) {
        text +=
            line == 3 ? QByteArray("\"Rossi,N3\n") : "Riga " + QByteArray::number(line) + ",N\n";
    }
    const TableReader::Result result = readBytes(text);
    ASSERT_FALSE(result.error);
    ASSERT_EQ(result.table.rows.size(), 10'000u);
    EXPECT_EQ(result.table.rows[2].line(), 3);
    EXPECT_FALSE(result.table.rows[2].problem().isEmpty());
    EXPECT_EQ(result.table.rows[2].text(u','), QStringLiteral("\"Rossi,N3"));
    EXPECT_EQ(result.table.rows.back().cell(0), u"Riga 10000");
}

TEST_F(ReaderTest, ARowOf100000ColumnsIsRefusedAloneWithItsText) {
    const QByteArray wide = QByteArray("x,").repeated(100'000) + "y";
    const TableReader::Result result = readBytes("a,b\n" + wide + "\nc,d\n");
    ASSERT_FALSE(result.error);
    EXPECT_EQ(describe(result.table).value(0), QStringLiteral("1: a|b"));
    EXPECT_EQ(describe(result.table).value(2), QStringLiteral("3: c|d"));
    const TableRow& refused = result.table.rows[1];
    EXPECT_TRUE(refused.problem().contains(QStringLiteral("100.001 colonne")))
        << refused.problem().toStdString();
    EXPECT_EQ(refused.text(u',').toUtf8(), wide);
}

TEST_F(ReaderTest, BytesThatDoNotReadInTheChosenEncodingShowReplacedAndCounted) {
    // 0x81 is one of the five bytes Windows-1252 leaves unnamed.
    const QByteArray windows = "Citt\xE0;Caff\xE8\nx\x81;y\n";
    const TableReader::Result detected = readBytes(windows);
    ASSERT_FALSE(detected.error);
    EXPECT_EQ(detected.table.source.encoding, TextEncoding::Windows1252);
    EXPECT_EQ(detected.table.rows[0].cell(1), u"Caffè");
    EXPECT_EQ(detected.table.rows[1].cell(0), QStringLiteral("x\uFFFD"));
    EXPECT_EQ(detected.table.source.replacedCharacters, 1);

    TableReader::Options utf8;
    utf8.encoding = TextEncoding::Utf8;
    const TableReader::Result forced = readBytes(windows, utf8);
    ASSERT_FALSE(forced.error);
    EXPECT_EQ(forced.table.source.replacedCharacters, 3);
    EXPECT_EQ(forced.table.rows[0].cell(0), QStringLiteral("Citt\uFFFD"));
    // A replacement character the file itself holds is not counted.
    EXPECT_EQ(readBytes("a\xEF\xBF\xBD,b\n").table.source.replacedCharacters, 0);
}

struct BadInput {
    const char* name;
    std::function<bool(const QString& path)> write;
    const char* reason;
    ReadLimits limits = {};
};

class BadInputs : public ReaderTest, public ::testing::WithParamInterface<BadInput> {};

TEST_P(BadInputs, AreRefusedWithAClearReason) {
    const QString file = path(QStringLiteral("bad.csv"));
    ASSERT_TRUE(GetParam().write(file));
    TableReader::Options options;
    options.limits = GetParam().limits;
    const TableReader::Result result = TableReader::read(file, options);
    ASSERT_TRUE(result.error.has_value());
    EXPECT_TRUE(result.error->contains(QString::fromUtf8(GetParam().reason)))
        << result.error->toStdString();
    EXPECT_TRUE(result.table.rows.empty());
}

QByteArray compoundFile(bool encrypted) {
    QByteArray bytes("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    bytes += QByteArray(1024, '\0');
    if (encrypted) {
        bytes += QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32);
    }
    return bytes + QByteArray(512, '\0');
}

Workbook bomb() {
    Workbook book;
    book.sharedStrings = "<si><t>" + QByteArray(8 << 20, 'A') + "</t></si>";
    book.sheets = {"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"};
    return book;
}

ReadLimits inflatingLittle() {
    ReadLimits limits;
    limits.maxInflatedBytes = 1 << 20;
    return limits;
}

// Entities that expand to gigabytes of text from a few hundred bytes ("billion laughs").
Workbook entityBomb() {
    Workbook book;
    QByteArray entities = "<!DOCTYPE sst [<!ENTITY e0 \"hahahahahahahahahaha\">";
    for (int i = 1; i < 10; ++i) {
        const QByteArray previous = "&e" + QByteArray::number(i - 1) + ";";
        entities += "<!ENTITY e" + QByteArray::number(i) + " \"" + previous.repeated(10) + "\">";
    }
    book.sharedStringsProlog = entities + "]>";
    book.sharedStrings = "<si><t>&e9;</t></si>";
    book.sheets = {"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"};
    return book;
}

QByteArray odsCell(const QByteArray& paragraph) {
    return "<table:table table:name=\"A\"><table:table-row><table:table-cell "
           "office:value-type=\"string\"><text:p>" +
           paragraph + "</text:p></table:table-cell></table:table-row></table:table>";
}

ReadLimits small() {
    ReadLimits limits;
    limits.maxFileBytes = 1000;
    return limits;
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadInputs,
    ::testing::Values(
        BadInput{"Empty", [](const QString& p) { return writeBytes(p, {}); }, "vuoto"},
        BadInput{"Blanks", [](const QString& p) { return writeBytes(p, " \r\n\t\n"); },
                 "non contiene righe"},
        BadInput{"PngRenamed",
                 [](const QString& p) { return writeBytes(p, "\x89PNG\r\n\x1A\n\0\0\0\rIHDR"); },
                 "immagine PNG"},
        BadInput{"Binary",
                 [](const QString& p) {
                     QByteArray bytes(4096, '\0');
                     for (int i = 0; i < bytes.size(); i += 3) {
                         bytes[i] = char(i * 7);
                     }
                     return writeBytes(p, "ab" + bytes);
                 },
                 "binari"},
        BadInput{"TooLarge", [](const QString& p) { return writeBytes(p, QByteArray(1001, 'a')); },
                 "oltre i 0 MB", small()},
        // Sparse: refused by its size alone, before a byte is read.
        BadInput{"Over200MB",
                 [](const QString& p) {
                     QFile file(p);
                     return file.open(QIODevice::WriteOnly) && file.resize(200'000'001);
                 },
                 "oltre i 200 MB"},
        BadInput{"PasswordProtectedWorkbook",
                 [](const QString& p) { return writeBytes(p, compoundFile(true)); }, "password"},
        BadInput{"OldExcel", [](const QString& p) { return writeBytes(p, compoundFile(false)); },
                 "vecchio formato"},
        BadInput{"ZipOfOtherThings",
                 [](const QString& p) {
                     return writeZip(p, {{"a.txt", "hello"}});
                 },
                 "archivio ZIP"},
        BadInput{"ZipBomb", [](const QString& p) { return writeXlsx(p, bomb()); }, "decompresso",
                 inflatingLittle()},
        BadInput{"OdsZipBomb",
                 [](const QString& p) { return writeOds(p, odsCell(QByteArray(8 << 20, 'A'))); },
                 "decompresso", inflatingLittle()},
        BadInput{"EntityBomb", [](const QString& p) { return writeXlsx(p, entityBomb()); },
                 "danneggiata"},
        BadInput{"OdsSpacesClaimingGigabytes",
                 [](const QString& p) {
                     return writeOds(p, odsCell("a<text:s text:c=\"2000000000\"/>b"));
                 },
                 "Una cella supera"},
        BadInput{"WorkbookPartsEncryptedInTheZip",
                 [](const QString& p) { return writeXlsx(p, Workbook(), "segreta"); }, "password"},
        BadInput{"TruncatedWorkbook",
                 [](const QString& p) {
                     writeXlsx(p, Workbook());
                     QFile file(p);
                     return file.open(QIODevice::ReadWrite) && file.resize(120);
                 },
                 "danneggiato"},
        BadInput{"PasswordProtectedOds",
                 [](const QString& p) {
                     return writeOds(p, "<table:table table:name=\"A\"/>",
                                     "<manifest:encryption-data/>");
                 },
                 "password"},
        BadInput{"MissingSheet",
                 [](const QString& p) {
                     Workbook book;
                     book.sheetNames = {};
                     book.sheets = {};
                     return writeXlsx(p, book);
                 },
                 "non ha fogli"}),
    [](const auto& tested) { return std::string(tested.param.name); });

TEST(SerialDates, CountFrom1900WithItsPhantomDayOrFrom1904) {
    using S = DateSystem;
    const struct {
        double serial;
        S system;
        const char* iso; // empty: no day
    } cases[] = {
        {1, S::Since1900, "1900-01-01"},
        {59, S::Since1900, "1900-02-28"},
        {60, S::Since1900, ""},
        {61, S::Since1900, "1900-03-01"},
        {0, S::Since1900, ""},
        {46000.5, S::Since1900, "2025-12-09T12:00:00"},
        {2958465, S::Since1900, "9999-12-31"},
        {2958466, S::Since1900, ""},
        {0, S::Since1904, "1904-01-01"},
        {1.25, S::Since1904, "1904-01-02T06:00:00"},
        {-1, S::Since1904, ""},
        {45000.000000001, S::Since1900, "2023-03-15"},
    };
    for (const auto& c : cases) {
        const std::optional<SerialDate::LocalDateTime> local =
            SerialDate::toLocal(c.serial, c.system);
        EXPECT_EQ(local ? SerialDate::isoText(*local) : QString(), QString::fromLatin1(c.iso))
            << c.serial;
        if (local) {
            EXPECT_NEAR(SerialDate::fromLocal(local->date, local->msOfDay, c.system), c.serial,
                        1e-6);
        }
    }
}

TEST_F(ReaderTest, WorkbookCellsReadAsExcelShowsThem) {
    Workbook book;
    book.sheetNames = {QStringLiteral("Polizze"), QStringLiteral("Altro")};
    book.sharedStrings = "<si><t>Nome</t></si>"
                         "<si><r><t>Ric</t></r><r><t>co</t></r><rPh><t>x</t></rPh></si>"
                         "<si><t>a_x000D_b</t></si>";
    book.styles = "<numFmts><numFmt numFmtId=\"164\" formatCode=\"dd/mm/yyyy hh:mm\"/>"
                  "<numFmt numFmtId=\"165\" formatCode=\"0.0&quot; days&quot;\"/></numFmts>"
                  "<cellStyleXfs><xf numFmtId=\"14\"/></cellStyleXfs>"
                  "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/>"
                  "<xf numFmtId=\"165\"/></cellXfs>";
    book.sheets = {
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
        "<c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\" "
        "t=\"inlineStr\"><is><t>inline</t></is></c></row>"
        "<row r=\"2\"><c r=\"A2\"><v>1234567890</v></c><c r=\"B2\"><v>0.30000000000000004</v></c>"
        "<c r=\"C2\" t=\"b\"><v>1</v></c><c r=\"D2\" t=\"e\"><v>#N/A</v></c>"
        "<c r=\"E2\" t=\"str\"><f>A1&amp;\"x\"</f><v>Nomex</v></c>"
        "<c r=\"F2\"><f>1+1</f><v>2</v></c><c r=\"G2\" s=\"3\"><v>2.5</v></c></row>"
        "<row r=\"4\"><c r=\"A4\" s=\"1\"><v>61</v></c><c r=\"B4\" s=\"1\"><v>59</v></c>"
        "<c r=\"C4\" s=\"1\"><v>60</v></c><c r=\"D4\" s=\"2\"><v>46000</v></c>"
        "<c r=\"E4\" s=\"2\"><v>46000.75</v></c></row>"
        "<row><c><v>1</v></c><c r=\"C5\"><v>3</v></c><c><v>4</v></c></row>",
        "<row r=\"1\"><c r=\"B1\" t=\"inlineStr\"><is><t>secondo</t></is></c></row>"};
    ASSERT_TRUE(writeXlsx(path(QStringLiteral("book.xlsx")), book));
    // The name does not decide: a workbook renamed .csv is still a workbook.
    ASSERT_TRUE(QFile::copy(path(QStringLiteral("book.xlsx")), path(QStringLiteral("book.csv"))));
    const TableReader::Result result = TableReader::read(path(QStringLiteral("book.csv")), {});
    ASSERT_FALSE(result.error) << result.error->toStdString();
    EXPECT_EQ(result.table.source.format, SourceFormat::Xlsx);
    EXPECT_EQ(result.table.source.sheets,
              (QStringList{QStringLiteral("Polizze"), QStringLiteral("Altro")}));
    EXPECT_EQ(describe(result.table),
              (QStringList{QStringLiteral("1: Nome|Ricco|a\rb|inline"),
                           QStringLiteral("2: 1234567890|0.3|TRUE|#N/A|Nomex|2|2.5"),
                           // 60 is the 29 February 1900 that never was: no date, the number stays.
                           QStringLiteral("4: 1900-03-01|1900-02-28|60|2025-12-09T00:00:00|"
                                          "2025-12-09T18:00:00"),
                           QStringLiteral("5: 1||3|4")}));

    TableReader::Options second;
    second.sheet = 1;
    EXPECT_EQ(describe(TableReader::read(path(QStringLiteral("book.xlsx")), second).table),
              QStringList{QStringLiteral("1: |secondo")});
    second.sheet = 2;
    EXPECT_TRUE(TableReader::read(path(QStringLiteral("book.xlsx")), second).error);
}

TEST_F(ReaderTest, WorkbooksCountingFrom1904ReadTheirDates) {
    Workbook book;
    book.date1904 = true;
    book.styles = "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs>";
    book.sheets = {"<row r=\"1\"><c r=\"A1\" s=\"1\"><v>0</v></c><c r=\"B1\" s=\"1\"><v>1</v></c>"
                   "<c r=\"C1\"><v>1</v></c></row>"};
    ASSERT_TRUE(writeXlsx(path(QStringLiteral("mac.xlsx")), book));
    const TableReader::Result result = TableReader::read(path(QStringLiteral("mac.xlsx")), {});
    EXPECT_EQ(result.table.source.dateSystem, DateSystem::Since1904);
    EXPECT_EQ(describe(result.table), QStringList{QStringLiteral("1: 1904-01-01|1904-01-02|1")});
}

TEST_F(ReaderTest, SpreadsheetCellsRepeatsAndFormulasReadAsCalcShowsThem) {
    const QByteArray tables =
        "<table:table table:name=\"Polizze\">"
        "<table:table-column table:number-columns-repeated=\"1024\"/>"
        "<table:table-header-rows><table:table-row>"
        "<table:table-cell office:value-type=\"string\"><text:p>Nome</text:p></table:table-cell>"
        "<table:table-cell table:number-columns-repeated=\"2\"/>"
        "<table:table-cell office:value-type=\"string\"><text:p>Dopo</text:p>"
        "<office:annotation><text:p>nota</text:p></office:annotation></table:table-cell>"
        "<table:table-cell table:number-columns-repeated=\"16380\"/>"
        "</table:table-row></table:table-header-rows>"
        "<table:table-row>"
        "<table:table-cell office:value-type=\"float\" office:value=\"1234567890\">"
        "<text:p>1.234.567.890</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"date\" office:date-value=\"2027-03-03\">"
        "<text:p>03/03/27</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"date\" office:date-value=\"2027-03-03T10:30:00\"/>"
        "<table:table-cell office:value-type=\"time\" office:time-value=\"PT09H05M00S\"/>"
        "<table:table-cell office:value-type=\"boolean\" office:boolean-value=\"true\"/>"
        "<table:table-cell table:formula=\"of:=[.A2]*2\" office:value-type=\"float\" "
        "office:value=\"2469135780\"><text:p>2.469.135.780</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"percentage\" office:value=\"0.25\"/>"
        "</table:table-row>"
        "<table:table-row><table:table-cell office:value-type=\"string\">"
        "<text:p>Due<text:s text:c=\"3\"/>spazi<text:tab/>e <text:span>stile</text:span></text:p>"
        "<text:p>seconda riga</text:p></table:table-cell>"
        "<table:covered-table-cell/>"
        "<table:table-cell table:number-columns-repeated=\"2\" office:value-type=\"string\">"
        "<text:p>x</text:p></table:table-cell></table:table-row>"
        "<table:table-row table:number-rows-repeated=\"3\"/>"
        "<table:table-row-group><table:table-row table:number-rows-repeated=\"2\">"
        "<table:table-cell office:value-type=\"string\"><text:p>copia</text:p></table:table-cell>"
        "</table:table-row></table:table-row-group>"
        "<table:table-row table:number-rows-repeated=\"1048000\">"
        "<table:table-cell table:number-columns-repeated=\"16384\"/></table:table-row>"
        "</table:table>"
        "<table:table table:name=\"Altro\"><table:table-row><table:table-cell "
        "office:value-type=\"string\"><text:p>secondo</text:p></table:table-cell>"
        "</table:table-row></table:table>";
    ASSERT_TRUE(writeOds(path(QStringLiteral("calc.ods")), tables));
    const TableReader::Result result = TableReader::read(path(QStringLiteral("calc.ods")), {});
    ASSERT_FALSE(result.error) << result.error->toStdString();
    EXPECT_EQ(result.table.source.format, SourceFormat::Ods);
    EXPECT_EQ(result.table.source.sheets,
              (QStringList{QStringLiteral("Polizze"), QStringLiteral("Altro")}));
    EXPECT_EQ(
        describe(result.table),
        (QStringList{QStringLiteral("1: Nome|||Dopo"),
                     QStringLiteral("2: 1234567890|2027-03-03|2027-03-03T10:30:00|09:05:00|TRUE|"
                                    "2469135780|0.25"),
                     QStringLiteral("3: Due   spazi\te stile\nseconda riga||x|x"),
                     QStringLiteral("7: copia"), QStringLiteral("8: copia")}));
    TableReader::Options second;
    second.sheet = 1;
    EXPECT_EQ(describe(TableReader::read(path(QStringLiteral("calc.ods")), second).table),
              QStringList{QStringLiteral("1: secondo")});
}

TEST_F(ReaderTest, RepeatsThatWouldPassTheBoundsAreRefused) {
    const QByteArray tables =
        "<table:table table:name=\"A\"><table:table-row table:number-rows-repeated=\"2000000\">"
        "<table:table-cell office:value-type=\"string\"><text:p>x</text:p></table:table-cell>"
        "</table:table-row></table:table>";
    ASSERT_TRUE(writeOds(path(QStringLiteral("many.ods")), tables));
    TableReader::Options options;
    options.limits.maxRows = 1000;
    const TableReader::Result result = TableReader::read(path(QStringLiteral("many.ods")), options);
    ASSERT_TRUE(result.error);
    EXPECT_TRUE(result.error->contains(QStringLiteral("righe"))) << result.error->toStdString();
}

// A spreadsheet row of 100,000 columns is refused alone, and its neighbours read; an ODS
// repeat is never expanded to find that out.
TEST_F(ReaderTest, SpreadsheetRowsWiderThanASheetAreRefusedAlone) {
    Workbook book;
    book.sheets = {"<row r=\"1\"><c t=\"inlineStr\"><is><t>a</t></is></c></row><row r=\"2\">" +
                   QByteArray("<c><v>7</v></c>").repeated(100'000) +
                   "</row><row r=\"3\"><c t=\"inlineStr\"><is><t>c</t></is></c></row>"};
    ASSERT_TRUE(writeXlsx(path(QStringLiteral("wide.xlsx")), book));
    const auto cell = [](const QByteArray& text) {
        return "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>" + text +
               "</text:p></table:table-cell></table:table-row>";
    };
    ASSERT_TRUE(writeOds(path(QStringLiteral("wide.ods")),
                         "<table:table table:name=\"A\">" + cell("a") +
                             "<table:table-row><table:table-cell "
                             "table:number-columns-repeated=\"100000\" office:value-type="
                             "\"string\"><text:p>x</text:p></table:table-cell></table:table-row>" +
                             cell("c") + "</table:table>"));
    for (const QString& name : {QStringLiteral("wide.xlsx"), QStringLiteral("wide.ods")}) {
        const TableReader::Result result = TableReader::read(path(name), {});
        ASSERT_FALSE(result.error) << name.toStdString();
        EXPECT_EQ(describe(result.table),
                  (QStringList{QStringLiteral("1: a"),
                               QStringLiteral("2! La riga ha valori oltre la colonna 16.384"),
                               QStringLiteral("3: c")}))
            << name.toStdString();
    }
}

// Random damage to valid files of each kind: every read ends with a table or a reason.
TEST_F(ReaderTest, DamagedFilesNeverCrashTheReaders) {
    Workbook book;
    book.sharedStrings = "<si><t>Nome</t></si>";
    book.sheets = {"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>2</v></c></row>"};
    ASSERT_TRUE(writeXlsx(path(QStringLiteral("a.xlsx")), book));
    ASSERT_TRUE(writeOds(path(QStringLiteral("a.ods")),
                         "<table:table><table:table-row><table:table-cell office:value-type="
                         "\"string\"><text:p>x</text:p></table:table-cell></table:table-row>"
                         "</table:table>"));
    ASSERT_TRUE(writeBytes(path(QStringLiteral("a.csv")), "a;\"b\nc\";d\r\n1;2;3\n"));
    QRandomGenerator random(20260310);
    for (const QString& name :
         {QStringLiteral("a.xlsx"), QStringLiteral("a.ods"), QStringLiteral("a.csv")}) {
        QFile original(path(name));
        ASSERT_TRUE(original.open(QIODevice::ReadOnly));
        const QByteArray bytes = original.readAll();
        for (int round = 0; round < 150; ++round) {
            QByteArray damaged = bytes;
            for (int i = 0, n = 1 + int(random.bounded(8)); i < n; ++i) {
                const qsizetype at = random.bounded(damaged.size());
                switch (random.bounded(3)) {
                case 0:
                    damaged[at] = char(random.bounded(256));
                    break;
                case 1:
                    damaged.truncate(std::max<qsizetype>(at, 1));
                    break;
                default:
                    damaged.insert(at, QByteArray(int(random.bounded(4)) + 1, '"'));
                }
            }
            const QString file = path(QStringLiteral("damaged-") + name);
            ASSERT_TRUE(writeBytes(file, damaged));
            const TableReader::Result result = TableReader::read(file, {});
            EXPECT_TRUE(result.error.has_value() || !result.table.rows.empty()) << round;
        }
    }
}

} // namespace
