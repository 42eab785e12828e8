#pragma once

#include "store/HeldSave.h"
#include "transfer/BookIndex.h"
#include "transfer/DateReading.h"
#include "transfer/ImportApplier.h"
#include "transfer/ImportPlan.h"
#include "transfer/ImportResult.h"
#include "transfer/ImportSettings.h"
#include "transfer/Table.h"
#include "transfer/TableReader.h"

#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <memory>
#include <optional>

class Clock;
class ColumnMapMemory;
class LogChannel;
class ManagedObjectContext;
class NotificationManager;
class TaskControl;

// One import as the import sheet drives it: a file picked, read with its format, encoding,
// delimiter and header row detected, its columns guessed (or mapped as the user left them
// last time for the same headers), every row checked; the user's changes read or check again;
// run() writes every accepted row, all or none, a slice per turn of the event loop in one held
// transaction (HeldSave), and schedules the reminders of each policy it wrote. Reading and checking
// run on a worker thread, so the sheet stays responsive; cancel() stops them and nothing is saved.
// Lives on the thread of the store's context.
class ImportSession final : public QObject {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        NotificationManager& reminders;
        const Clock& clock;
        LogChannel& log;
        // Where confirmed column maps are kept; none keeps nothing.
        ColumnMapMemory* memory = nullptr;
    };
    enum class Phase { Idle, Reading, Checking, Saving, Scheduling };

    struct PreviewRow {
        qint64 line = 0;
        QStringList cells;
        ImportPlan::Verdict verdict = ImportPlan::Verdict::Blank;
        QStringList notes;
    };
    static constexpr int kPreviewRows = 50;

    explicit ImportSession(const Services& services, QObject* parent = nullptr);
    // Stops what runs in the background and waits for it.
    ~ImportSession() override;

    // Reads the file with everything detected. Limits other than the usual are for tests.
    void open(const QString& path, const ReadLimits& limits = ReadLimits());

    void setEncoding(TextEncoding encoding);
    void setDelimiter(QChar delimiter);
    void setSheet(int sheet);
    void setHasHeader(bool hasHeader);
    void setColumn(qsizetype column, ImportField field);
    void setDateOrder(DateReading::Order order);
    void setUnknownCycle(const QString& renewalType);
    void setDuplicates(ImportSettings::Duplicates duplicates);

    // Checks again when the store changed since the last check, then saves and schedules;
    // finished() follows, also when the save is refused or the run is cancelled before the
    // save.
    void run();
    // Stops reading or checking; a run stops too, unless its save has begun.
    void cancel();

    Phase phase() const { return m_phase; }
    bool isBusy() const { return m_phase != Phase::Idle; }
    // Why the file could not be read; the table is then empty.
    const std::optional<QString>& error() const { return m_error; }
    const QString& path() const { return m_path; }
    const SourceDescription& source() const { return m_table->source; }
    const ImportSettings& settings() const { return m_settings; }
    // The header row's cells when the file has one, else "Colonna 1", "Colonna 2"...
    QStringList headers() const;
    qsizetype columnCount() const { return qsizetype(m_settings.columns.size()); }
    const DateReading::ColumnFormat& expiryFormat() const { return m_expiryFormat; }
    // The first rows under the header with what the import would do with each.
    std::vector<PreviewRow> preview(int count = kPreviewRows) const;
    // The last check; empty while none has finished.
    const ImportPlan& plan() const { return *m_plan; }

Q_SIGNALS:
    // A reading or a check finished: the sheet shows the new state.
    void changed();
    // While busy, every tenth of a second: units of the phase's own (bytes, rows).
    void progress(ImportSession::Phase phase, qint64 done, qint64 total);
    void phaseChanged(ImportSession::Phase phase);
    void finished(const ImportResult& result);

private:
    void startRead();
    void startCheck();
    void onRead(const std::shared_ptr<TableReader::Result>& result);
    void onChecked(std::shared_ptr<const ImportPlan> plan, DateReading::ColumnFormat format);
    void save();
    // One slice of the rows made and saved; the next in the next turn of the event loop.
    void saveSlice();
    void refuse(const QString& error);
    void schedule(const ImportApplier::Outcome& outcome);
    void setPhase(Phase phase);
    void guessColumns();
    // Runs `work` on the worker; `done` gets its value here, unless a newer task replaced it.
    template <typename T>
    void inBackground(std::function<T(TaskControl&)> work, std::function<void(T)> done);

    Services m_services;
    QThreadPool m_pool;
    QTimer m_progressTimer;
    std::shared_ptr<TaskControl> m_control;
    quint64 m_generation = 0;
    Phase m_phase = Phase::Idle;
    bool m_running = false;
    std::unique_ptr<HeldSave> m_held;
    std::unique_ptr<ImportApplier::Progress> m_writing;

    QString m_path;
    TableReader::Options m_readOptions;
    std::optional<QString> m_error;
    std::shared_ptr<const Table> m_table;
    ImportSettings m_settings;
    std::optional<bool> m_chosenHeader;
    bool m_chosenColumns = false;
    std::optional<DateReading::Order> m_chosenOrder;
    DateReading::ColumnFormat m_expiryFormat;
    std::shared_ptr<const ImportPlan> m_plan;
    // What the last check was made from, so that a run over an unchanged store and unchanged
    // settings does not check again.
    std::shared_ptr<const BookIndex> m_checkedBook;
    ImportSettings m_checkedSettings;
};
