#pragma once

#include "store/DocumentReader.h"
#include "store/IntegrityCheck.h"
#include "store/SqliteConnection.h"
#include "store/StoreSchema.h"
#include "store/Value.h"

#include <QHash>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// One row as read from the store: its hidden order, a value per attribute and, per to-one
// relationship, the identity of the row it points to. A byte-string attribute is read as its
// size in bytes, never as its bytes: those stay on disk until asked for.
struct StoredRow {
    qint64 rowid = 0;
    QUuid id; // the identity, also in `values`
    std::vector<Value> values;
    std::vector<std::optional<QUuid>> links;
    // Per byte-string attribute that holds a value: its size. `values` holds it as absent.
    std::vector<std::pair<int, qint64>> documents;
};

// One row to write in a save. An update writes only the properties in `changed` (bit i for
// attribute i, bit A + j for relationship j, A the number of attributes); `values` and
// `links` hold the whole object so that a row deleted meanwhile by another writer can be
// written again whole. `values` holds a document left in the store when its bytes are at
// hand; `documentsLeftInStore` has the bit of each one that is not.
struct RowWrite {
    enum class Kind { Insert, Update, Delete };
    Kind kind = Kind::Insert;
    const EntityDescription* entity = nullptr;
    QUuid storedId;
    quint64 changed = 0;
    quint64 documentsLeftInStore = 0;
    std::vector<Value> values;
    std::vector<std::optional<QUuid>> links;
};

// What a save learnt about one written row: its rowid and, for an update, the row as it now
// stands, with the values other writers gave to the properties this save did not write.
struct RowWriteResult {
    qint64 rowid = 0;
    std::optional<StoredRow> current;
};

// The SQLite file that keeps a model's objects, or an in-memory database.
//
// A file is opened only when it is plainly this program's store at a schema version this
// program reads; it is examined read-only first (its header bytes, then a read-only
// connection that checks every page and loads every row), and only then opened for writing.
// A file that fails any check is left exactly as it was. A new file is created mode 0600 in a
// folder created 0700.
//
// Rows that this program would not have written (see decodeRow) never stop a load: each is
// taken as far as it can be and described in the reports.
class PersistentStore final {
public:
    static constexpr qint32 kApplicationId = 0x51565343; // "QVSC"
    static constexpr int kSchemaVersion = 1;

    struct Loaded {
        std::vector<std::vector<StoredRow>> rowsByEntity; // in the model's entity order
        // The rows' links, taken out of them as they are read: per entity, one after another,
        // each row's to-one relationships in order.
        std::vector<std::vector<std::optional<QUuid>>> linksByEntity;
        QStringList reports;
    };

    // An empty path opens a new in-memory database. Null, with `error` set, when the store
    // cannot be opened.
    static std::unique_ptr<PersistentStore>
    open(const QString& path, const ManagedObjectModel& model, Loaded* loaded, QString* error);

    // Checks the whole file away from the start-up path (see IntegrityCheck); a write waits
    // for the verdict. Damage found then, or an answer from SQLite that the file is corrupt,
    // makes every later write fail and leaves the file as it is: `damaged` hears of it once.
    void checkIntegrityLater(std::function<void(const QString& why)> damaged);

    // Writes every row in one transaction: all of them, or none and false with `error` set.
    // Inside a held transaction, the rows join it and are kept only if it commits.
    bool write(const std::vector<RowWrite>& writes, std::vector<RowWriteResult>* results,
               QStringList* reports, QString* error);

    // One transaction held open over several writes, so that a long write can be made a part
    // at a time and still be all or nothing; see HeldSave.
    bool holdTransaction(QString* error);
    // Commits the held transaction, or rolls it back; false, rolled back, when the commit
    // fails.
    bool endHeldTransaction(bool commit, QString* error);
    bool holdsTransaction() const { return m_held; }
    // Every row again, as open() loaded them, through this store's own connection.
    bool loadAgain(Loaded* loaded, QString* error);

    enum class DocumentRead { Read, Absent, Failed };
    // The bytes of one byte-string attribute of the row with the id, read now.
    DocumentRead readDocument(const EntityDescription& entity, int attribute, const QUuid& storedId,
                              QByteArray* bytes, QString* error);

    // The same read on a thread of its own (see DocumentReader): `done` runs later, on this
    // thread, with the outcome, the bytes and, for a failure, why. False, with nothing done,
    // for an in-memory database, which no other connection can reach.
    bool readDocumentLater(
        const EntityDescription& entity, int attribute, const QUuid& storedId,
        std::function<void(DocumentRead, const QByteArray& bytes, const QString& error)> done);

    const QString& path() const { return m_path; }
    const StoreSchema& schema() const { return m_schema; }
    // The value of a pragma on the writing connection ("journal_mode", "synchronous", ...).
    QString pragma(const QString& name);

    ~PersistentStore();

private:
    PersistentStore(const ManagedObjectModel& model, QString path);

    static std::unique_ptr<PersistentStore>
    openAt(const QString& path, const ManagedObjectModel& model, Loaded* loaded, QString* error);
    bool openForWriting(QString* error);
    bool createSchema(QString* error);
    // Loads every row; sets `empty` instead for an SQLite file that holds nothing at all.
    // On failure `failure` is SQLite's extended result code, when SQLite failed.
    // SQLite's quick check on a read-only connection of its own; none when that connection
    // cannot read the file.
    std::optional<QString> quickCheckBeside() const;
    bool checkAndLoad(SqliteConnection& db, Loaded* loaded, bool* empty, QString* error,
                      int* failure) const;
    bool writeOne(const RowWrite& write, RowWriteResult* result, QStringList* reports);
    bool insertRow(const RowWrite& write, qint64* rowid);
    static void reportLostDocuments(const RowWrite& write, QStringList* reports);
    SqliteQuery& statement(const QString& sql);
    // Takes the full check's verdict; false when the file is known to be damaged.
    bool isUndamaged(QString* error);
    // Notes damage once an answer says the file is corrupt (`code`, SQLite's result code).
    void noteFailure(int code);
    void markDamaged(const QString& why);

    StoreSchema m_schema;
    // The texts of the statements a save runs for every row, per entity, made once: built at
    // each row, they cost as much as SQLite's own work in a save of many rows.
    struct RowStatements {
        QString insert;
        QString selectRow;
    };
    std::vector<RowStatements> m_rowStatements;
    QString m_path;
    SqliteConnection m_db;
    QHash<QString, std::shared_ptr<SqliteQuery>> m_statements;
    bool m_held = false;
    std::unique_ptr<IntegrityCheck> m_check;
    std::function<void(const QString&)> m_damaged;
    QString m_damage;
    // Last, so that it goes first: its answers call back into the store.
    std::unique_ptr<DocumentReader> m_reader;
};

// Decodes one row of `table` from columns 1.. of a "SELECT rowid, <columns>" statement.
// False when the row cannot be an object (its id is no UUID); everything it did about a value
// it could not take as written is added to `reports`.
bool decodeRow(const StoreSchema::Table& table, const SqliteQuery& statement, StoredRow* row,
               QStringList* reports);
