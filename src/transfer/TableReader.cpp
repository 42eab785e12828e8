#include "transfer/TableReader.h"

#include "transfer/CsvParser.h"
#include "transfer/OdsReader.h"
#include "transfer/TaskControl.h"
#include "transfer/XlsxReader.h"
#include "transfer/ZipArchive.h"

#include <QFile>
#include <QLocale>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TableReader {
namespace {

constexpr qint64 kChunkBytes = 4 << 20;
constexpr qsizetype kBinaryLookChars = qsizetype{64} * 1024;

QString number(qint64 value) {
    return QLocale(QLocale::Italian, QLocale::Italy).toString(value);
}

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Formats that are plainly not a table, by the bytes they begin with.
std::optional<QString> knownBinary(QByteArrayView head) {
    const struct {
        const char* magic;
        qsizetype size;
        const char* what;
    } kinds[] = {
        {"\x89PNG", 4, "un'immagine PNG"},
        {"\xFF\xD8\xFF", 3, "un'immagine JPEG"},
        {"GIF8", 4, "un'immagine GIF"},
        {"II*\0", 4, "un'immagine TIFF"},
        {"MM\0*", 4, "un'immagine TIFF"},
        {"%PDF", 4, "un documento PDF"},
        {"\x1F\x8B", 2, "un archivio gzip"},
        {"7z\xBC\xAF", 4, "un archivio 7-Zip"},
        {"Rar!", 4, "un archivio RAR"},
        {"\x7F"
         "ELF",
         4, "un programma"},
    };
    for (const auto& kind : kinds) {
        if (head.startsWith(QByteArrayView(kind.magic, kind.size))) {
            return QStringLiteral("Il file è %1, non una tabella")
                .arg(QString::fromUtf8(kind.what));
        }
    }
    if (head.size() >= 12 && head.startsWith("RIFF") && head.sliced(8, 4) == "WEBP") {
        return QStringLiteral("Il file è un'immagine WebP, non una tabella");
    }
    return std::nullopt;
}

// Text has no NUL and few control characters; a renamed binary file has many.
bool looksBinary(QStringView text) {
    const QStringView start = text.first(std::min(text.size(), kBinaryLookChars));
    qsizetype controls = 0;
    for (const QChar c : start) {
        if (c.unicode() == 0) {
            return true;
        }
        const bool control =
            (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r' && c != u'\f') ||
            c.unicode() == 0x7F;
        controls += control ? 1 : 0;
    }
    return controls * 100 > start.size();
}

std::optional<QString> readSpreadsheet(const QString& path, const Options& options,
                                       TaskControl* control, Table& table) {
    ZipArchive zip(path, options.limits.maxInflatedBytes, control);
    QString error;
    if (!zip.open(&error)) {
        return error;
    }
    const std::optional<QByteArray> mimetype = zip.smallPart(QStringLiteral("mimetype"), 256);
    if (mimetype && mimetype->trimmed() == "application/vnd.oasis.opendocument.spreadsheet") {
        return OdsReader::read(zip, options.sheet, options.limits, table);
    }
    if (zip.contains(QStringLiteral("[Content_Types].xml")) &&
        zip.contains(QStringLiteral("xl/workbook.xml"))) {
        return XlsxReader::read(zip, options.sheet, options.limits, table);
    }
    if (mimetype && mimetype->startsWith("application/vnd.oasis.opendocument")) {
        return QStringLiteral("Il file è un documento OpenDocument ma non un foglio di calcolo");
    }
    if (zip.contains(QStringLiteral("word/document.xml"))) {
        return QStringLiteral("Il file è un documento Word, non un foglio di calcolo");
    }
    return QStringLiteral("Il file è un archivio ZIP, non un foglio di calcolo");
}

// Office's own binary container: an old .xls, or an .xlsx encrypted with a password (which
// Office wraps in that container with an "EncryptedPackage" stream).
QString compoundFileReason(QFile& file) {
    const uchar* bytes = file.map(0, file.size());
    const QByteArrayView all(reinterpret_cast<const char*>(bytes), bytes ? file.size() : 0);
    const QByteArray stream = QByteArrayLiteral("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0");
    if (all.indexOf(stream) >= 0) {
        return QStringLiteral("Il file è protetto da password: aprilo in Excel o LibreOffice, "
                              "togli la password e salvalo di nuovo");
    }
    return QStringLiteral("Il file è nel vecchio formato di Excel (.xls): salvalo come .xlsx o "
                          ".csv e importa quello");
}

std::optional<QString> readText(QFile& file, qint64 size, const Options& options,
                                TaskControl* control, Table& table) {
    QByteArray bytes;
    bytes.reserve(size);
    if (control) {
        control->setTotal(size);
    }
    while (bytes.size() <= options.limits.maxFileBytes) {
        const QByteArray chunk = file.read(kChunkBytes);
        if (file.error() != QFileDevice::NoError) {
            return file.errorString();
        }
        if (chunk.isEmpty()) {
            break;
        }
        bytes += chunk;
        if (control) {
            control->setDone(bytes.size());
            if (control->isCancelled()) {
                return QStringLiteral("Lettura annullata");
            }
        }
    }
    if (bytes.size() > options.limits.maxFileBytes) {
        return QStringLiteral("Il file è cresciuto oltre i %1 MB mentre veniva letto")
            .arg(number(options.limits.maxFileBytes / 1'000'000));
    }
    SourceDescription& source = table.source;
    source.format = SourceFormat::Csv;
    source.encoding = options.encoding.value_or(Encodings::detect(bytes));
    Encodings::Decoded decoded = Encodings::decode(bytes, source.encoding);
    bytes = QByteArray();
    source.replacedCharacters = decoded.replaced;
    if (looksBinary(decoded.text)) {
        return QStringLiteral("Il file non è un testo: contiene dati binari (forse un'immagine "
                              "o un programma rinominato)");
    }
    if (decoded.text.trimmed().isEmpty()) {
        return QStringLiteral("Il file non contiene righe");
    }
    source.delimiter = options.delimiter.value_or(CsvParser::detectDelimiter(decoded.text));
    return CsvParser::parse(decoded.text, source.delimiter, options.limits, table.rows, control);
}

} // namespace

Result read(const QString& path, const Options& options, TaskControl* control) {
    Result result;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.error = QStringLiteral("Il file non si apre: %1").arg(systemError(errno));
        return result;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result.error = QStringLiteral("Il file non si legge: %1").arg(systemError(errno));
    } else if (!S_ISREG(info.st_mode)) {
        result.error = QStringLiteral("Non è un file ma una cartella o un dispositivo");
    } else if (info.st_size > options.limits.maxFileBytes) {
        result.error = QStringLiteral("Il file pesa %1 MB, oltre i %2 MB che si possono importare")
                           .arg(number((info.st_size + 999'999) / 1'000'000),
                                number(options.limits.maxFileBytes / 1'000'000));
    } else if (info.st_size == 0) {
        result.error = QStringLiteral("Il file è vuoto");
    }
    QFile file;
    if (result.error) {
        ::close(fd);
        return result;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFile::AutoCloseHandle)) {
        result.error = QStringLiteral("Il file non si legge: %1").arg(file.errorString());
        return result;
    }
    const QByteArray head = file.peek(64);
    std::optional<QString> error;
    if (head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06")) {
        error = readSpreadsheet(path, options, control, result.table);
    } else if (head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
        error = compoundFileReason(file);
    } else if (std::optional<QString> binary = knownBinary(head)) {
        error = binary;
    } else {
        error = readText(file, info.st_size, options, control, result.table);
    }
    if (!error && result.table.rows.empty()) {
        error = QStringLiteral("Il file non contiene righe");
    }
    if (error) {
        result.error = error;
        result.table.rows.clear();
    }
    return result;
}

} // namespace TableReader
