#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <zip.h>

#include <utility>
#include <vector>

// Files the transfer tests read, written by the tests themselves: workbooks and spreadsheets
// zipped from their XML (with minizip, as the program reads them), and plain bytes.
namespace SheetFiles {

using Parts = std::vector<std::pair<QString, QByteArray>>;

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// With a password, every part is encrypted with the zip's own (traditional) encryption.
inline bool writeZip(const QString& path, const Parts& parts, const char* password = nullptr) {
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (!zip) {
        return false;
    }
    bool written = true;
    for (const auto& [name, bytes] : parts) {
        const zip_fileinfo info{};
        const uLong crc =
            crc32(0, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size()));
        written = written &&
                  zipOpenNewFileInZip3_64(zip, name.toUtf8().constData(), &info, nullptr, 0,
                                          nullptr, 0, nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0,
                                          -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, password,
                                          crc, 0) == ZIP_OK &&
                  zipWriteInFileInZip(zip, bytes.constData(), unsigned(bytes.size())) == ZIP_OK &&
                  zipCloseFileInZip(zip) == ZIP_OK;
    }
    return zipClose(zip, nullptr) == ZIP_OK && written;
}

struct Workbook {
    QStringList sheetNames{QStringLiteral("Foglio1")};
    // The <sheetData> content of each sheet.
    QList<QByteArray> sheets{QByteArray()};
    // <si> items; none writes no shared-strings part.
    QByteArray sharedStrings;
    // <numFmts> and <cellXfs> of the styles part.
    QByteArray styles;
    bool date1904 = false;
    // Written before the shared strings' root element (a document type of its own).
    QByteArray sharedStringsProlog;
};

inline bool writeXlsx(const QString& path, const Workbook& book, const char* password = nullptr) {
    const QByteArray ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                          "relationships\"";
    const QByteArray relType = "http://schemas.openxmlformats.org/officeDocument/2006/"
                               "relationships/";
    QByteArray sheets, rels;
    Parts parts;
    for (int i = 0; i < book.sheets.size(); ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        sheets += "<sheet name=\"" + book.sheetNames.value(i).toUtf8() + "\" sheetId=\"" + n +
                  "\" r:id=\"rId" + n + "\"/>";
        rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + relType +
                "worksheet\" Target=\"worksheets/sheet" + n + ".xml\"/>";
        parts.push_back({"xl/worksheets/sheet" + n + ".xml",
                         "<?xml version=\"1.0\"?><worksheet " + ns + "><sheetData>" +
                             book.sheets[i] + "</sheetData></worksheet>"});
    }
    if (!book.sharedStrings.isNull()) {
        rels += "<Relationship Id=\"rS\" Type=\"" + relType +
                "sharedStrings\" Target=\"sharedStrings.xml\"/>";
        parts.push_back({"xl/sharedStrings.xml", "<?xml version=\"1.0\"?>" +
                                                     book.sharedStringsProlog + "<sst " + ns + ">" +
                                                     book.sharedStrings + "</sst>"});
    }
    if (!book.styles.isNull()) {
        rels += "<Relationship Id=\"rT\" Type=\"" + relType + "styles\" Target=\"styles.xml\"/>";
        parts.push_back({"xl/styles.xml", "<?xml version=\"1.0\"?><styleSheet " + ns + ">" +
                                              book.styles + "</styleSheet>"});
    }
    parts.push_back({"[Content_Types].xml", "<?xml version=\"1.0\"?><Types/>"});
    parts.push_back(
        {"_rels/.rels", "<?xml version=\"1.0\"?><Relationships><Relationship Id=\"r1\" Type=\"" +
                            relType +
                            "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"});
    parts.push_back({"xl/_rels/workbook.xml.rels",
                     "<?xml version=\"1.0\"?><Relationships>" + rels + "</Relationships>"});
    parts.push_back({"xl/workbook.xml", "<?xml version=\"1.0\"?><workbook " + ns + "><workbookPr" +
                                            (book.date1904 ? " date1904=\"1\"" : "") +
                                            "/><sheets>" + sheets + "</sheets></workbook>"});
    return writeZip(path, parts, password);
}

// An OpenDocument spreadsheet whose <office:spreadsheet> holds `tables`.
inline bool writeOds(const QString& path, const QByteArray& tables,
                     const QByteArray& manifestEntries = QByteArray()) {
    const QByteArray content =
        "<?xml version=\"1.0\"?><office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
        "xmlns:of=\"urn:oasis:names:tc:opendocument:xmlns:of:1.2\"><office:body>"
        "<office:spreadsheet>" +
        tables + "</office:spreadsheet></office:body></office:document-content>";
    const QByteArray manifest =
        "<?xml version=\"1.0\"?><manifest:manifest "
        "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\">"
        "<manifest:file-entry manifest:full-path=\"content.xml\">" +
        manifestEntries + "</manifest:file-entry></manifest:manifest>";
    return writeZip(path, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                           {"content.xml", content},
                           {"META-INF/manifest.xml", manifest}});
}

} // namespace SheetFiles
