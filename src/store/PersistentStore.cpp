#include "store/PersistentStore.h"

#include "platform/PrivateFolders.h"
#include "store/SqliteQuery.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringDecoder>

#include <sqlite3.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kBusyTimeoutMs = 5000;
constexpr int kHeaderSize = 100;

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

quint32 bigEndian(const unsigned char* bytes, int size) {
    quint32 value = 0;
    for (int i = 0; i < size; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

enum class FileState { Missing, Empty, Ours, Failed };

// Looks at the file with plain reads, before SQLite touches it: SQLite itself may write to a
// file it opens (a hot journal rolled back, a header rewritten), and a file that is not ours
// must stay exactly as it is.
FileState inspectFile(const QString& path, QString* error) {
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0) {
        if (errno == ENOENT) {
            return FileState::Missing;
        }
        *error = QStringLiteral("Cannot examine %1: %2").arg(path, systemError(errno));
        return FileState::Failed;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = QStringLiteral("%1 is not a regular file").arg(path);
        return FileState::Failed;
    }
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *error = QStringLiteral("Cannot read %1: %2").arg(path, systemError(errno));
        return FileState::Failed;
    }
    unsigned char header[kHeaderSize] = {};
    ssize_t got = 0;
    while (got < kHeaderSize) {
        const ssize_t n = ::read(fd, header + got, size_t(kHeaderSize - got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int code = errno;
            ::close(fd);
            *error = QStringLiteral("Cannot read %1: %2").arg(path, systemError(code));
            return FileState::Failed;
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    struct stat opened {};
    const bool statOk = ::fstat(fd, &opened) == 0;
    ::close(fd);
    const qint64 size = statOk ? qint64(opened.st_size) : qint64(info.st_size);
    if (size == 0) {
        return FileState::Empty;
    }
    // A hot rollback journal means a transaction was cut short: until SQLite has rolled it
    // back, restoring the file's last committed state, its bytes say nothing.
    struct stat journal {};
    if (::stat(QFile::encodeName(path + QStringLiteral("-journal")).constData(), &journal) == 0 &&
        journal.st_size > 0) {
        return FileState::Ours;
    }
    if (got < kHeaderSize || std::memcmp(header, "SQLite format 3", 16) != 0) {
        *error = QStringLiteral("%1 is not an SQLite database").arg(path);
        return FileState::Failed;
    }
    // An identity of 0 may be a store whose first page is still only in the write-ahead log
    // (the program stopped right after creating it), or an empty database: SQLite, reading
    // the log read-only, tells.
    const quint32 applicationId = bigEndian(header + 68, 4);
    if (applicationId != 0 && applicationId != quint32(PersistentStore::kApplicationId)) {
        *error = QStringLiteral("%1 is another program's database (application_id %2)")
                     .arg(path)
                     .arg(applicationId);
        return FileState::Failed;
    }
    const qint32 version = qint32(bigEndian(header + 60, 4));
    if (applicationId == 0) {
        // Nothing more to learn from the header.
    } else if (version > PersistentStore::kSchemaVersion) {
        *error = QStringLiteral("%1 was written by a newer version of this program (schema "
                                "version %2; this version reads %3)")
                     .arg(path)
                     .arg(version)
                     .arg(PersistentStore::kSchemaVersion);
        return FileState::Failed;
    } else if (version != PersistentStore::kSchemaVersion) {
        *error = QStringLiteral("%1 has an unknown schema version (%2)").arg(path).arg(version);
        return FileState::Failed;
    }
    quint32 pageSize = bigEndian(header + 16, 2);
    if (pageSize == 1) {
        pageSize = 65536;
    }
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) {
        *error = QStringLiteral("%1 is damaged (page size %2)").arg(path).arg(pageSize);
        return FileState::Failed;
    }
    // A checkpoint cut short leaves the file shorter than its first page says, with the rest
    // still in the write-ahead log: with a log beside it, only SQLite can judge the size.
    struct stat log {};
    if (::stat(QFile::encodeName(path + QStringLiteral("-wal")).constData(), &log) == 0 &&
        log.st_size > 0) {
        return FileState::Ours;
    }
    if (size % pageSize != 0) {
        *error = QStringLiteral("%1 is damaged (its size does not fit its page size)").arg(path);
        return FileState::Failed;
    }
    // The page count in the header is valid when the change counter matches the
    // "version valid for" number.
    const quint32 pageCount = bigEndian(header + 28, 4);
    if (bigEndian(header + 24, 4) == bigEndian(header + 92, 4) && pageCount != 0 &&
        size < qint64(pageCount) * pageSize) {
        *error = QStringLiteral("%1 is truncated (%2 of %3 bytes)")
                     .arg(path)
                     .arg(size)
                     .arg(qint64(pageCount) * pageSize);
        return FileState::Failed;
    }
    return FileState::Ours;
}

// Creates the missing folders mode 0700 and the empty file mode 0600, so that nothing of the
// store is ever readable by another account, not even for a moment.
bool createFile(const QString& path, QString* error) {
    if (std::optional<QString> failure = makePrivateFolders(QFileInfo(path).absolutePath())) {
        *error = *failure;
        return false;
    }
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0 && errno != EEXIST) {
        *error = QStringLiteral("Cannot create %1: %2").arg(path, systemError(errno));
        return false;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return true;
}

constexpr QLatin1StringView kLogSuffix("-wal");
constexpr QLatin1StringView kLogIndexSuffix("-shm");

// SQLite gives the log and its index the file's own mode, so a look at a file the user may only
// read leaves a log that stays unwritable after the user mends the file. Once every connection
// is closed, what the look made and nothing wrote to goes again.
void removeLogLeftBy(const QString& path, bool hadLog, bool hadLogIndex) {
    const QString log = path + kLogSuffix;
    QFileInfo logInfo(log);
    if (!hadLog && logInfo.exists() && logInfo.size() == 0) {
        QFile::remove(log);
    }
    // The index only mirrors the log: SQLite builds it again when it is missing.
    if (!hadLogIndex) {
        QFile::remove(path + kLogIndexSuffix);
    }
}

// The log and its index are written at every save: one this account may not write makes the
// store as unwritable as the file itself.
bool logIsWritable(const QString& path, QString* error) {
    for (const QLatin1StringView suffix : {kLogSuffix, kLogIndexSuffix}) {
        const QByteArray beside = QFile::encodeName(path + suffix);
        if (::access(beside.constData(), F_OK) == 0 && ::access(beside.constData(), W_OK) != 0) {
            *error = QStringLiteral("%1 for writing: %2").arg(path + suffix, systemError(errno));
            return false;
        }
    }
    return true;
}

QString storageClassName(int type) {
    switch (type) {
    case SQLITE_INTEGER:
        return QStringLiteral("an integer");
    case SQLITE_FLOAT:
        return QStringLiteral("a real number");
    case SQLITE_TEXT:
        return QStringLiteral("text");
    case SQLITE_BLOB:
        return QStringLiteral("a blob");
    default:
        return QStringLiteral("NULL");
    }
}

int expectedStorageClass(AttributeType type) {
    switch (type) {
    case AttributeType::String:
    case AttributeType::Uuid:
        return SQLITE_TEXT;
    case AttributeType::Binary:
        return SQLITE_BLOB;
    case AttributeType::Integer32:
    case AttributeType::Boolean:
    case AttributeType::Date:
        break;
    }
    return SQLITE_INTEGER;
}

// A UUID only in the canonical upper-case form this program writes: any other spelling
// would not match the row's key in references and lookups.
// The value of each upper-case hexadecimal digit, 16 for any other byte.
constexpr std::array<uchar, 256> kHexDigits = [] {
    std::array<uchar, 256> digits{};
    digits.fill(16);
    for (size_t c = 0; c < 10; ++c) {
        digits['0' + c] = uchar(c);
    }
    for (size_t c = 0; c < 6; ++c) {
        digits['A' + c] = uchar(10 + c);
    }
    return digits;
}();

std::optional<QUuid> canonicalUuid(QByteArrayView text) {
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-') {
        return std::nullopt;
    }
    // Loads every load-time id: a table, not a branch per digit.
    static constexpr int kDigitAt[32] = {0,  1,  2,  3,  4,  5,  6,  7,  9,  10, 11,
                                         12, 14, 15, 16, 17, 19, 20, 21, 22, 24, 25,
                                         26, 27, 28, 29, 30, 31, 32, 33, 34, 35};
    uchar bytes[16];
    uchar invalid = 0;
    for (size_t i = 0; i < 16; ++i) {
        const uchar high = kHexDigits[uchar(text[kDigitAt[2 * i]])];
        const uchar low = kHexDigits[uchar(text[kDigitAt[2 * i + 1]])];
        invalid |= uchar((high | low) & 16);
        bytes[i] = uchar((high << 4) | (low & 15));
    }
    if (invalid) {
        return std::nullopt;
    }
    return QUuid::fromRfc4122(QByteArrayView(reinterpret_cast<const char*>(bytes), 16));
}

bool isValidUtf8(QByteArrayView bytes, QString* decoded) {
    // Most stored text is ASCII, which is UTF-8 as it stands.
    const char* data = bytes.data();
    qsizetype i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        quint64 word;
        std::memcpy(&word, data + i, 8);
        if (word & 0x8080808080808080ULL) {
            break;
        }
    }
    while (i < bytes.size() && uchar(data[i]) < 0x80) {
        ++i;
    }
    if (i == bytes.size()) {
        *decoded = QString::fromLatin1(bytes);
        return true;
    }
    thread_local QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    decoder.resetState();
    *decoded = decoder.decode(bytes);
    return !decoder.hasError();
}

void bindValue(SqliteQuery& statement, int index, const Value& value) {
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                statement.bindNull(index);
            } else if constexpr (std::is_same_v<T, bool>) {
                statement.bindInt64(index, v ? 1 : 0);
            } else if constexpr (std::is_same_v<T, qint64>) {
                statement.bindInt64(index, v);
            } else if constexpr (std::is_same_v<T, Instant>) {
                statement.bindInt64(index, v.msSinceEpoch());
            } else if constexpr (std::is_same_v<T, QString>) {
                statement.bindText(index, v);
            } else if constexpr (std::is_same_v<T, QUuid>) {
                statement.bindText(index, uuidText(v));
            } else {
                statement.bindBlob(index, v);
            }
        },
        value);
}

void bindColumn(SqliteQuery& statement, int index, const StoreSchema::Column& column,
                const RowWrite& write) {
    if (column.attribute >= 0) {
        bindValue(statement, index, write.values[size_t(column.attribute)]);
    } else if (const auto& link = write.links[size_t(column.relationship)]) {
        statement.bindText(index, uuidText(*link));
    } else {
        statement.bindNull(index);
    }
}

QString whereRowOf(const QString& table) {
    // The first row with the id: the one a load takes when a foreign writer left duplicates.
    return QStringLiteral(" WHERE rowid = (SELECT min(rowid) FROM %1 WHERE \"id\" = ?)").arg(table);
}

// A model default as a log line shows it.
QString describe(const Value& value) {
    if (const bool* b = std::get_if<bool>(&value)) {
        return *b ? QStringLiteral("true") : QStringLiteral("false");
    }
    if (const qint64* i = std::get_if<qint64>(&value)) {
        return QString::number(*i);
    }
    if (const QString* text = std::get_if<QString>(&value)) {
        return u'"' + *text + u'"';
    }
    return QStringLiteral("a value");
}

} // namespace

bool decodeRow(const StoreSchema::Table& table, const SqliteQuery& statement, StoredRow* row,
               QStringList* reports) {
    const EntityDescription& entity = *table.entity;
    row->rowid = statement.columnInt64(0);
    row->values.assign(entity.attributes().size(), Value());
    row->links.assign(entity.relationships().size(), std::nullopt);
    // Where a report points: made only when there is something to report.
    std::optional<QUuid> rowId;
    auto where = [&] {
        QString text = QStringLiteral("%1 row %2").arg(entity.name()).arg(row->rowid);
        if (rowId) {
            text += QStringLiteral(" (id %1)").arg(uuidText(*rowId));
        }
        return text;
    };

    // The identity first: without it the row is not an object at all.
    const int idAttribute = entity.identityAttribute();
    if (idAttribute >= 0) {
        const int column = table.columnOfAttribute[size_t(idAttribute)] + 1;
        const int type = statement.columnType(column);
        const QByteArrayView bytes = statement.columnView(column, type);
        const std::optional<QUuid> id =
            type == SQLITE_TEXT ? canonicalUuid(bytes) : std::optional<QUuid>();
        if (!id) {
            *reports << where() + (type == SQLITE_NULL
                                       ? QStringLiteral(": id is NULL; row not loaded")
                                       : QStringLiteral(": id %1 is not a UUID; row not loaded")
                                             .arg(type == SQLITE_TEXT
                                                      ? u'"' + QString::fromUtf8(bytes) + u'"'
                                                      : storageClassName(type)));
            return false;
        }
        rowId = id;
        row->id = *id;
    }

    for (size_t c = 0; c < table.columns.size(); ++c) {
        const StoreSchema::Column& column = table.columns[c];
        const int index = int(c) + 1;
        const int type = statement.columnType(index);
        if (column.relationship >= 0) {
            if (type == SQLITE_NULL) {
                continue;
            }
            const std::optional<QUuid> link = type == SQLITE_TEXT
                                                  ? canonicalUuid(statement.columnView(index, type))
                                                  : std::optional<QUuid>();
            if (!link) {
                *reports << where() + QStringLiteral(": %1 refers to %2, which is no UUID; "
                                                     "loaded without a %1")
                                          .arg(column.name,
                                               type == SQLITE_TEXT
                                                   ? u'"' + statement.columnText(index) + u'"'
                                                   : storageClassName(type));
            }
            row->links[size_t(column.relationship)] = link;
            continue;
        }
        const AttributeDescription& attribute = *entity.attributes()[size_t(column.attribute)];
        Value& value = row->values[size_t(column.attribute)];
        // A value that cannot be taken: a required attribute with a model default shows the
        // default (the file keeps its own value until the user changes this one); any other
        // stays absent, and a required one must then be given before the object saves again.
        auto unusable = [&](const QString& what) {
            QString line = where() + QStringLiteral(": %1 %2; ").arg(column.name, what);
            if (!attribute.isOptional() && !ValueOrder::isAbsent(attribute.defaultValue())) {
                value = attribute.defaultValue();
                line += QStringLiteral("loaded as its default, %1").arg(describe(value));
            } else {
                line += QStringLiteral("loaded without a value");
            }
            *reports << line;
        };
        if (type == SQLITE_NULL) {
            if (!attribute.isOptional()) {
                unusable(QStringLiteral("is NULL, but a value is required"));
            }
            continue;
        }
        if (attribute.attributeType() == AttributeType::Binary) {
            // Read as its size (see StoreSchema::selectColumns), or as the name of what the
            // column holds instead of a blob.
            if (type == SQLITE_INTEGER) {
                row->documents.emplace_back(column.attribute, statement.columnInt64(index));
            } else {
                unusable(QStringLiteral("holds %1 where a blob belongs")
                             .arg(statement.columnText(index)));
            }
            continue;
        }
        if (type != expectedStorageClass(attribute.attributeType())) {
            unusable(QStringLiteral("holds %1 where %2 belongs")
                         .arg(storageClassName(type),
                              storageClassName(expectedStorageClass(attribute.attributeType()))));
            continue;
        }
        switch (attribute.attributeType()) {
        case AttributeType::Integer32: {
            const qint64 number = statement.columnInt64(index);
            if (number < std::numeric_limits<qint32>::min() ||
                number > std::numeric_limits<qint32>::max()) {
                unusable(QStringLiteral("holds %1, beyond a 32-bit integer").arg(number));
            } else {
                value = number;
            }
            break;
        }
        case AttributeType::Boolean: {
            const qint64 number = statement.columnInt64(index);
            if (number != 0 && number != 1) {
                unusable(QStringLiteral("holds %1 where 0 or 1 belongs").arg(number));
            } else {
                value = number == 1;
            }
            break;
        }
        case AttributeType::Date: {
            // Date arithmetic holds only inside the calendar range.
            const Instant instant(statement.columnInt64(index));
            if (!instant.isInCalendarRange()) {
                unusable(QStringLiteral("holds %1, outside the years 1 to 9999")
                             .arg(instant.msSinceEpoch()));
            } else {
                value = instant;
            }
            break;
        }
        case AttributeType::Binary:
            break;
        case AttributeType::Uuid: {
            // Only the identity is a UUID in this program's models; another UUID attribute
            // that does not read is left absent.
            if (const auto uuid = canonicalUuid(statement.columnView(index, type))) {
                value = *uuid;
            } else {
                unusable(QStringLiteral("is not a UUID"));
            }
            break;
        }
        case AttributeType::String: {
            QString decoded;
            if (!isValidUtf8(statement.columnView(index, type), &decoded)) {
                *reports << where() + QStringLiteral(": %1 is not valid UTF-8; loaded with "
                                                     "replacement characters, and written back "
                                                     "only if changed")
                                          .arg(column.name);
            }
            value = std::move(decoded);
            break;
        }
        }
    }
    return true;
}

PersistentStore::PersistentStore(const ManagedObjectModel& model, QString path)
    : m_schema(model)
    , m_path(std::move(path)) {
    for (const StoreSchema::Table& table : m_schema.tables()) {
        const QString name = StoreSchema::quoted(table.entity->name());
        QStringList names;
        QStringList marks;
        for (const StoreSchema::Column& column : table.columns) {
            names << StoreSchema::quoted(column.name);
            marks << QStringLiteral("?");
        }
        m_rowStatements.push_back({QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                       .arg(name, names.join(u','), marks.join(u',')),
                                   StoreSchema::selectColumns(table) + whereRowOf(name)});
    }
}

PersistentStore::~PersistentStore() {
    // Statements go before the connection that made them.
    m_statements.clear();
}

std::unique_ptr<PersistentStore> PersistentStore::open(const QString& path,
                                                       const ManagedObjectModel& model,
                                                       Loaded* loaded, QString* error) {
    if (path.isEmpty()) {
        return openAt(path, model, loaded, error);
    }
    const bool hadLog = QFileInfo::exists(path + kLogSuffix);
    const bool hadLogIndex = QFileInfo::exists(path + kLogIndexSuffix);
    std::unique_ptr<PersistentStore> store = openAt(path, model, loaded, error);
    if (!store) {
        removeLogLeftBy(path, hadLog, hadLogIndex);
    }
    return store;
}

std::unique_ptr<PersistentStore> PersistentStore::openAt(const QString& path,
                                                         const ManagedObjectModel& model,
                                                         Loaded* loaded, QString* error) {
    std::unique_ptr<PersistentStore> store(new PersistentStore(model, path));
    loaded->rowsByEntity.assign(model.entities().size(), {});
    loaded->linksByEntity.assign(model.entities().size(), {});
    loaded->reports.clear();

    if (path.isEmpty()) {
        if (!store->m_db.open(QStringLiteral(":memory:"),
                              SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_MEMORY |
                                  SQLITE_OPEN_NOMUTEX) ||
            !store->m_db.exec(QStringLiteral("PRAGMA foreign_keys = ON")) ||
            !store->createSchema(error)) {
            if (error->isEmpty()) {
                *error = store->m_db.errorMessage();
            }
            return nullptr;
        }
        return store;
    }

    FileState state = inspectFile(path, error);
    if (state == FileState::Missing) {
        if (!createFile(path, error)) {
            return nullptr;
        }
        state = FileState::Empty;
    }
    if (state == FileState::Failed) {
        return nullptr;
    }
    if (state == FileState::Empty) {
        // A file this program created and was stopped before SQLite wrote its first page.
        if (!store->openForWriting(error) || !store->createSchema(error)) {
            return nullptr;
        }
        return store;
    }

    {
        // First look read-only. A writer killed while updating the log's index leaves an
        // index only a writing connection may rebuild: then look again through a connection
        // that may write the index (beside the file) but is barred from writing the file
        // itself and from checkpointing it on close.
        SqliteConnection reader;
        bool empty = false;
        for (const bool recovering : {false, true}) {
            // One thread uses each connection: SQLite need not lock it at every call.
            if (!reader.open(path, (recovering ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) |
                                       SQLITE_OPEN_NOMUTEX)) {
                *error = QStringLiteral("Cannot open %1: %2").arg(path, reader.errorMessage());
                return nullptr;
            }
            sqlite3_busy_timeout(reader.handle(), kBusyTimeoutMs);
            if (recovering) {
                sqlite3_db_config(reader.handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
                reader.exec(QStringLiteral("PRAGMA query_only = ON"));
            }
            int failure = 0;
            if (store->checkAndLoad(reader, loaded, &empty, error, &failure)) {
                break;
            }
            loaded->rowsByEntity.assign(model.entities().size(), {});
            loaded->linksByEntity.assign(model.entities().size(), {});
            loaded->reports.clear();
            if (recovering || (failure & 0xff) != SQLITE_READONLY) {
                return nullptr;
            }
        }
        if (empty) {
            reader.close();
            if (!store->openForWriting(error) || !store->createSchema(error)) {
                return nullptr;
            }
            return store;
        }
    }
    if (!store->openForWriting(error)) {
        loaded->rowsByEntity.assign(model.entities().size(), {});
        loaded->linksByEntity.assign(model.entities().size(), {});
        loaded->reports.clear();
        return nullptr;
    }
    return store;
}

bool PersistentStore::openForWriting(QString* error) {
    QString unwritable;
    if (!logIsWritable(m_path, &unwritable)) {
        *error = QStringLiteral("Cannot open %1").arg(unwritable);
        return false;
    }
    if (!m_db.open(m_path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX)) {
        *error = QStringLiteral("Cannot open %1: %2").arg(m_path, m_db.errorMessage());
        return false;
    }
    if (sqlite3_db_readonly(m_db.handle(), "main") == 1) {
        *error = QStringLiteral("Cannot open %1 for writing").arg(m_path);
        return false;
    }
    sqlite3_busy_timeout(m_db.handle(), kBusyTimeoutMs);
    // Write-ahead log with a sync at every commit: a save that returned is on the disk.
    if (pragma(QStringLiteral("journal_mode = WAL")) != u"wal" ||
        !m_db.exec(QStringLiteral("PRAGMA synchronous = FULL")) ||
        !m_db.exec(QStringLiteral("PRAGMA foreign_keys = ON"))) {
        *error =
            QStringLiteral("Cannot prepare %1 for writing: %2").arg(m_path, m_db.errorMessage());
        return false;
    }
    // A store that opens is a store that saves: a write lock taken and given back shows it.
    // Another writer holding the lock says nothing about this one.
    if (!m_db.exec(QStringLiteral("BEGIN IMMEDIATE")) && (m_db.errorCode() & 0xff) != SQLITE_BUSY) {
        *error = QStringLiteral("Cannot open %1 for writing: %2").arg(m_path, m_db.errorMessage());
        return false;
    }
    if (m_db.inTransaction()) {
        m_db.exec(QStringLiteral("ROLLBACK"));
    }
    return true;
}

bool PersistentStore::createSchema(QString* error) {
    if (!m_db.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        *error = QStringLiteral("Cannot create the store: %1").arg(m_db.errorMessage());
        return false;
    }
    // Another run of the program may have created it meanwhile: only an empty file is ours
    // to fill.
    SqliteQuery contents = m_db.prepare(QStringLiteral(
        "SELECT (SELECT count(*) FROM sqlite_schema) + application_id FROM pragma_application_id"));
    const bool isEmpty = contents.step() == SqliteQuery::Step::Row && contents.columnInt64(0) == 0;
    contents = SqliteQuery();
    if (!isEmpty) {
        m_db.exec(QStringLiteral("ROLLBACK"));
        *error = QStringLiteral("%1 changed while it was being created").arg(m_path);
        return false;
    }
    QStringList statements = m_schema.createStatements();
    statements << QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId)
               << QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion);
    for (const QString& sql : statements) {
        if (!m_db.exec(sql)) {
            *error = QStringLiteral("Cannot create the store: %1").arg(m_db.errorMessage());
            m_db.exec(QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    if (!m_db.exec(QStringLiteral("COMMIT"))) {
        *error = QStringLiteral("Cannot create the store: %1").arg(m_db.errorMessage());
        m_db.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    // Puts the identity into the file's own first page at once, where tools that read only
    // the file (and this program's first look at it) find it.
    if (!m_path.isEmpty()) {
        m_db.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }
    return true;
}

bool PersistentStore::checkAndLoad(SqliteConnection& db, Loaded* loaded, bool* empty,
                                   QString* error, int* failure) const {
    auto failed = [&](const QString& what) {
        *error = QStringLiteral("%1 %2").arg(m_path, what);
        return false;
    };
    auto damaged = [&]() {
        *failure = db.errorCode();
        return failed(QStringLiteral("cannot be read: %1").arg(db.errorMessage()));
    };
    // The header may be older than the write-ahead log: ask SQLite again.
    SqliteQuery identity = db.prepare(
        QStringLiteral("SELECT *, (SELECT count(*) FROM sqlite_schema) FROM pragma_application_id, "
                       "pragma_user_version"));
    if (identity.step() != SqliteQuery::Step::Row) {
        return damaged();
    }
    if (identity.columnInt64(0) == 0 && identity.columnInt64(1) == 0 &&
        identity.columnInt64(2) == 0) {
        // An SQLite file that holds nothing at all: a store whose creation was cut short.
        *empty = true;
        return true;
    }
    if (identity.columnInt64(0) != kApplicationId) {
        return failed(QStringLiteral("is another program's database (application_id %1)")
                          .arg(identity.columnInt64(0)));
    }
    if (identity.columnInt64(1) != kSchemaVersion) {
        return failed(QStringLiteral("has schema version %1; this version reads %2")
                          .arg(identity.columnInt64(1))
                          .arg(kSchemaVersion));
    }
    for (const StoreSchema::Table& table : m_schema.tables()) {
        SqliteQuery info = db.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)"));
        info.bindText(1, table.entity->name());
        QStringList present;
        SqliteQuery::Step step;
        while ((step = info.step()) == SqliteQuery::Step::Row) {
            present << info.columnText(0);
        }
        if (step == SqliteQuery::Step::Error) {
            return damaged();
        }
        if (present.isEmpty()) {
            return failed(QStringLiteral("has no table %1").arg(table.entity->name()));
        }
        for (const StoreSchema::Column& column : table.columns) {
            if (!present.contains(column.name)) {
                return failed(
                    QStringLiteral("has no column %1.%2").arg(table.entity->name(), column.name));
            }
        }
    }
    // Every page read once: cheap enough for the start, and done on a connection of its own
    // beside the load. Indexes are compared with their tables later, away from the start
    // (checkIntegrityLater).
    std::optional<QString> besideVerdict;
    std::thread beside([this, &besideVerdict] { besideVerdict = quickCheckBeside(); });
    auto joinBeside = qScopeGuard([&beside] { beside.join(); });
    // A page that cannot be read is named by the check's verdict when it has one.
    const auto unreadable = [&] {
        beside.join();
        joinBeside.dismiss();
        if (besideVerdict && *besideVerdict != u"ok") {
            return failed(QStringLiteral("is damaged: %1").arg(*besideVerdict));
        }
        return damaged();
    };
    for (const StoreSchema::Table& table : m_schema.tables()) {
        SqliteQuery select = db.prepare(StoreSchema::selectAll(table));
        if (!select.isValid()) {
            return unreadable();
        }
        std::vector<StoredRow>& rows = loaded->rowsByEntity[size_t(table.entity->index())];
        std::vector<std::optional<QUuid>>& links =
            loaded->linksByEntity[size_t(table.entity->index())];
        SqliteQuery::Step step;
        while ((step = select.step()) == SqliteQuery::Step::Row) {
            StoredRow row;
            if (decodeRow(table, select, &row, &loaded->reports)) {
                links.insert(links.end(), row.links.begin(), row.links.end());
                row.links = {};
                rows.push_back(std::move(row));
            }
        }
        if (step == SqliteQuery::Step::Error) {
            return unreadable();
        }
    }
    beside.join();
    joinBeside.dismiss();
    if (!besideVerdict) {
        // No connection beside this one (a log index only a writer may rebuild): here, then.
        SqliteQuery quickCheck = db.prepare(QStringLiteral("PRAGMA quick_check(1)"));
        if (quickCheck.step() != SqliteQuery::Step::Row) {
            return damaged();
        }
        besideVerdict = quickCheck.columnText(0);
    }
    if (*besideVerdict != u"ok") {
        return failed(QStringLiteral("is damaged: %1").arg(*besideVerdict));
    }
    return true;
}

std::optional<QString> PersistentStore::quickCheckBeside() const {
    SqliteConnection db;
    if (!db.open(m_path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX)) {
        return std::nullopt;
    }
    sqlite3_busy_timeout(db.handle(), kBusyTimeoutMs);
    SqliteQuery quickCheck = db.prepare(QStringLiteral("PRAGMA quick_check(1)"));
    if (quickCheck.step() != SqliteQuery::Step::Row) {
        return std::nullopt;
    }
    return quickCheck.columnText(0);
}

SqliteQuery& PersistentStore::statement(const QString& sql) {
    std::shared_ptr<SqliteQuery>& cached = m_statements[sql];
    if (!cached || !cached->isValid()) {
        cached = std::make_shared<SqliteQuery>(m_db.prepare(sql));
    }
    cached->reset();
    return *cached;
}

bool PersistentStore::insertRow(const RowWrite& write, qint64* rowid) {
    const StoreSchema::Table& table = m_schema.table(*write.entity);
    SqliteQuery& insert = statement(m_rowStatements[size_t(write.entity->index())].insert);
    for (size_t c = 0; c < table.columns.size(); ++c) {
        bindColumn(insert, int(c) + 1, table.columns[c], write);
    }
    if (insert.step() != SqliteQuery::Step::Done) {
        return false;
    }
    *rowid = m_db.lastInsertRowid();
    return true;
}

void PersistentStore::reportLostDocuments(const RowWrite& write, QStringList* reports) {
    QStringList lost;
    for (size_t a = 0; a < write.entity->attributes().size(); ++a) {
        if (write.documentsLeftInStore & (quint64(1) << a)) {
            lost << write.entity->attributes()[a]->name();
        }
    }
    if (!lost.isEmpty()) {
        *reports << QStringLiteral("%1 %2: its row was deleted by another program and written "
                                   "again without %3, which went with it")
                        .arg(write.entity->name(), uuidText(write.storedId),
                             lost.join(QStringLiteral(", ")));
    }
}

bool PersistentStore::writeOne(const RowWrite& write, RowWriteResult* result,
                               QStringList* reports) {
    if (write.kind == RowWrite::Kind::Insert) {
        return insertRow(write, &result->rowid);
    }
    const StoreSchema::Table& table = m_schema.table(*write.entity);
    const QString name = StoreSchema::quoted(write.entity->name());
    const QString storedId = uuidText(write.storedId);
    switch (write.kind) {
    case RowWrite::Kind::Insert:
        break;
    case RowWrite::Kind::Delete: {
        SqliteQuery& remove =
            statement(QStringLiteral("DELETE FROM %1").arg(name) + whereRowOf(name));
        remove.bindText(1, storedId);
        return remove.step() == SqliteQuery::Step::Done;
    }
    case RowWrite::Kind::Update:
        break;
    }

    const size_t attributeCount = write.entity->attributes().size();
    QStringList assignments;
    std::vector<const StoreSchema::Column*> written;
    for (const StoreSchema::Column& column : table.columns) {
        const size_t bit = column.attribute >= 0 ? size_t(column.attribute)
                                                 : attributeCount + size_t(column.relationship);
        if (write.changed & (quint64(1) << bit)) {
            assignments << StoreSchema::quoted(column.name) + QStringLiteral(" = ?");
            written.push_back(&column);
        }
    }
    if (!assignments.isEmpty()) {
        SqliteQuery& update =
            statement(QStringLiteral("UPDATE %1 SET %2").arg(name, assignments.join(u',')) +
                      whereRowOf(name));
        int index = 1;
        for (const StoreSchema::Column* column : written) {
            bindColumn(update, index++, *column, write);
        }
        update.bindText(index, storedId);
        if (update.step() != SqliteQuery::Step::Done) {
            return false;
        }
        if (m_db.changes() == 0) {
            // Another writer deleted the row: the context's object wins, whole, and is read
            // back below, so that it loses a document that went with the row.
            if (!insertRow(write, &result->rowid)) {
                return false;
            }
            reportLostDocuments(write, reports);
        }
    }
    // Documents are read as their sizes: re-reading one at every save would make a save cost
    // the size of the document rather than the size of the change.
    SqliteQuery& select = statement(m_rowStatements[size_t(write.entity->index())].selectRow);
    const auto& idValue = write.values[size_t(write.entity->identityAttribute())];
    select.bindText(1, std::holds_alternative<QUuid>(idValue) ? uuidText(std::get<QUuid>(idValue))
                                                              : storedId);
    const SqliteQuery::Step step = select.step();
    if (step == SqliteQuery::Step::Row) {
        StoredRow row;
        if (decodeRow(table, select, &row, reports)) {
            result->rowid = row.rowid;
            result->current = std::move(row);
        }
    } else if (step == SqliteQuery::Step::Error) {
        return false;
    }
    return true;
}

bool PersistentStore::write(const std::vector<RowWrite>& writes,
                            std::vector<RowWriteResult>* results, QStringList* reports,
                            QString* error) {
    results->assign(writes.size(), {});
    if (!isUndamaged(error)) {
        return false;
    }
    // Inside a held transaction a write is a savepoint: one that fails leaves the parts
    // written before it, which the holder then keeps or rolls back with the rest.
    if (!m_db.exec(m_held ? QStringLiteral("SAVEPOINT part") : QStringLiteral("BEGIN IMMEDIATE"))) {
        *error = m_db.errorMessage();
        noteFailure(m_db.errorCode());
        return false;
    }
    for (size_t i = 0; i < writes.size(); ++i) {
        if (!writeOne(writes[i], &(*results)[i], reports)) {
            *error = m_db.errorMessage();
            noteFailure(m_db.errorCode());
            for (const auto& statement : std::as_const(m_statements)) {
                statement->reset();
            }
            m_db.exec(m_held ? QStringLiteral("ROLLBACK TO part; RELEASE part")
                             : QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    // A statement left mid-way would keep its read snapshot past the commit, and the next
    // write on that old snapshot would fail as busy.
    for (const auto& statement : std::as_const(m_statements)) {
        statement->reset();
    }
    if (m_held) {
        if (!m_db.exec(QStringLiteral("RELEASE part"))) {
            *error = m_db.errorMessage();
            return false;
        }
        return true;
    }
    if (!m_db.exec(QStringLiteral("COMMIT"))) {
        *error = m_db.errorMessage();
        noteFailure(m_db.errorCode());
        if (m_db.inTransaction()) {
            m_db.exec(QStringLiteral("ROLLBACK"));
        }
        return false;
    }
    return true;
}

bool PersistentStore::holdTransaction(QString* error) {
    if (m_held) {
        *error = QStringLiteral("A transaction is already held");
        return false;
    }
    if (!isUndamaged(error)) {
        return false;
    }
    if (!m_db.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        *error = m_db.errorMessage();
        noteFailure(m_db.errorCode());
        return false;
    }
    m_held = true;
    return true;
}

bool PersistentStore::endHeldTransaction(bool commit, QString* error) {
    if (!m_held) {
        *error = QStringLiteral("No transaction is held");
        return false;
    }
    m_held = false;
    for (const auto& statement : std::as_const(m_statements)) {
        statement->reset();
    }
    if (commit && m_db.exec(QStringLiteral("COMMIT"))) {
        return true;
    }
    if (commit) {
        *error = m_db.errorMessage();
        noteFailure(m_db.errorCode());
    }
    if (m_db.inTransaction()) {
        m_db.exec(QStringLiteral("ROLLBACK"));
    }
    return !commit;
}

bool PersistentStore::loadAgain(Loaded* loaded, QString* error) {
    loaded->rowsByEntity.assign(m_schema.tables().size(), {});
    loaded->linksByEntity.assign(m_schema.tables().size(), {});
    loaded->reports.clear();
    bool empty = false;
    int failure = 0;
    if (!checkAndLoad(m_db, loaded, &empty, error, &failure)) {
        noteFailure(failure);
        return false;
    }
    if (empty) {
        *error = QStringLiteral("%1 holds nothing").arg(m_path);
        return false;
    }
    return true;
}

void PersistentStore::checkIntegrityLater(std::function<void(const QString&)> damaged) {
    m_damaged = std::move(damaged);
    if (m_path.isEmpty()) {
        return;
    }
    m_check = std::make_unique<IntegrityCheck>(m_path);
    m_check->startLater([this](const QString& damage) { markDamaged(damage); });
}

bool PersistentStore::isUndamaged(QString* error) {
    if (m_check) {
        if (const std::optional<QString> damage = m_check->verdict()) {
            markDamaged(*damage);
        }
    }
    if (!m_damage.isEmpty()) {
        *error = m_damage;
        return false;
    }
    return true;
}

void PersistentStore::noteFailure(int code) {
    if ((code & 0xff) == SQLITE_CORRUPT || (code & 0xff) == SQLITE_NOTADB) {
        markDamaged(m_db.errorMessage());
    }
}

void PersistentStore::markDamaged(const QString& why) {
    if (!m_damage.isEmpty()) {
        return;
    }
    m_damage = QStringLiteral("%1 is damaged: %2").arg(m_path, why);
    // What earlier saves committed stays in the log beside the file: closing must not copy
    // it into a file that is damaged.
    sqlite3_db_config(m_db.handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    if (m_damaged) {
        m_damaged(m_damage);
    }
}

QString PersistentStore::pragma(const QString& name) {
    SqliteQuery query = m_db.prepare(QStringLiteral("PRAGMA ") + name);
    if (query.step() != SqliteQuery::Step::Row) {
        return QString();
    }
    return query.columnText(0);
}

bool PersistentStore::readDocumentLater(
    const EntityDescription& entity, int attribute, const QUuid& storedId,
    std::function<void(DocumentRead, const QByteArray&, const QString&)> done) {
    if (m_path.isEmpty()) {
        return false;
    }
    if (!m_reader) {
        m_reader = std::make_unique<DocumentReader>(m_path);
    }
    const StoreSchema::Table& table = m_schema.table(entity);
    const StoreSchema::Column& column =
        table.columns[size_t(table.columnOfAttribute[size_t(attribute)])];
    const QString name = StoreSchema::quoted(entity.name());
    const QString where =
        QStringLiteral("%1.%2 of %3").arg(entity.name(), column.name, uuidText(storedId));
    m_reader->read(StoreSchema::selectColumn(table, column) + whereRowOf(name), uuidText(storedId),
                   [this, where, done = std::move(done)](const DocumentReader::Result& result) {
                       switch (result.outcome) {
                       case DocumentReader::Outcome::Read:
                           done(DocumentRead::Read, result.bytes, QString());
                           return;
                       case DocumentReader::Outcome::Absent:
                           done(DocumentRead::Absent, QByteArray(), QString());
                           return;
                       case DocumentReader::Outcome::Failed:
                           break;
                       }
                       if ((result.code & 0xff) == SQLITE_CORRUPT ||
                           (result.code & 0xff) == SQLITE_NOTADB) {
                           markDamaged(result.error);
                       }
                       done(DocumentRead::Failed, QByteArray(),
                            QStringLiteral("%1: %2").arg(where, result.error));
                   });
    return true;
}

PersistentStore::DocumentRead PersistentStore::readDocument(const EntityDescription& entity,
                                                            int attribute, const QUuid& storedId,
                                                            QByteArray* bytes, QString* error) {
    const StoreSchema::Table& table = m_schema.table(entity);
    const int columnIndex = table.columnOfAttribute[size_t(attribute)];
    const QString name = StoreSchema::quoted(entity.name());
    SqliteQuery& select = statement(
        StoreSchema::selectColumn(table, table.columns[size_t(columnIndex)]) + whereRowOf(name));
    select.bindText(1, uuidText(storedId));
    DocumentRead result = DocumentRead::Failed;
    switch (select.step()) {
    case SqliteQuery::Step::Row:
        if (select.columnType(0) == SQLITE_BLOB) {
            *bytes = select.columnBytes(0);
            result = DocumentRead::Read;
        } else if (select.columnType(0) == SQLITE_NULL) {
            result = DocumentRead::Absent;
        } else {
            *error = QStringLiteral("%1.%2 of %3 is no longer a blob")
                         .arg(entity.name(), table.columns[size_t(columnIndex)].name,
                              uuidText(storedId));
        }
        break;
    case SqliteQuery::Step::Done:
        *error = QStringLiteral("%1 %2 is no longer in the store")
                     .arg(entity.name(), uuidText(storedId));
        break;
    case SqliteQuery::Step::Error:
        *error = m_db.errorMessage();
        noteFailure(m_db.errorCode());
        break;
    }
    // Ends the read snapshot at once: a statement left on a row would keep it.
    select.reset();
    return result;
}
