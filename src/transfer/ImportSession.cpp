#include "transfer/ImportSession.h"

#include "model/CalendarMath.h"
#include "platform/Clock.h"
#include "reminders/NotificationManager.h"
#include "store/ManagedObjectContext.h"
#include "transfer/BookIndex.h"
#include "transfer/ColumnGuesser.h"
#include "transfer/ColumnMapMemory.h"
#include "transfer/ImportApplier.h"
#include "transfer/TaskControl.h"

#include <QPointer>

namespace {

constexpr int kProgressIntervalMs = 100;
// Clients and policies made and saved per turn of the event loop: each slice takes a few
// milliseconds, so the window keeps answering while a large book is written.
constexpr size_t kRowsPerSlice = 500;

struct CheckResult {
    std::shared_ptr<const ImportPlan> plan;
    DateReading::ColumnFormat format;
};

} // namespace

ImportSession::ImportSession(const Services& services, QObject* parent)
    : QObject(parent)
    , m_services(services)
    , m_table(std::make_shared<const Table>())
    , m_plan(std::make_shared<const ImportPlan>()) {
    m_pool.setMaxThreadCount(1);
    m_progressTimer.setInterval(kProgressIntervalMs);
    connect(&m_progressTimer, &QTimer::timeout, this, [this] {
        Q_EMIT progress(m_phase, m_control ? m_control->done() : 0,
                        m_control ? m_control->total() : 0);
    });
    m_settings.zone = services.clock.timeZone();
    m_settings.currentYear =
        CalendarMath::toLocal(services.clock.now(), m_settings.zone).date.year();
    m_settings.dateOrder = DateReading::orderOf(services.clock.locale());
}

ImportSession::~ImportSession() {
    if (m_control) {
        m_control->cancel();
    }
    m_pool.waitForDone();
}

template <typename T>
void ImportSession::inBackground(std::function<T(TaskControl&)> work, std::function<void(T)> done) {
    if (m_control) {
        m_control->cancel();
    }
    auto control = std::make_shared<TaskControl>();
    m_control = control;
    const quint64 generation = ++m_generation;
    m_progressTimer.start();
    // The destructor waits for the task, so `this` outlives it; a result posted to a session
    // being destroyed is discarded with its other events.
    m_pool.start([this, control, generation, work = std::move(work), done = std::move(done)] {
        T value = work(*control);
        QMetaObject::invokeMethod(
            this,
            [this, generation, value = std::move(value), done]() mutable {
                if (generation != m_generation) {
                    return;
                }
                m_progressTimer.stop();
                done(std::move(value));
            },
            Qt::QueuedConnection);
    });
}

void ImportSession::setPhase(Phase phase) {
    const bool changedPhase = phase != m_phase;
    m_phase = phase;
    if (phase == Phase::Idle) {
        m_progressTimer.stop();
    } else if (!m_progressTimer.isActive()) {
        m_progressTimer.start();
    }
    if (changedPhase) {
        Q_EMIT phaseChanged(phase);
    }
}

void ImportSession::open(const QString& path, const ReadLimits& limits) {
    if (m_running) {
        return;
    }
    m_path = path;
    m_readOptions = TableReader::Options();
    m_readOptions.limits = limits;
    m_chosenHeader.reset();
    m_chosenColumns = false;
    m_chosenOrder.reset();
    startRead();
}

void ImportSession::startRead() {
    setPhase(Phase::Reading);
    const QString path = m_path;
    const TableReader::Options options = m_readOptions;
    inBackground<std::shared_ptr<TableReader::Result>>(
        [path, options](TaskControl& control) {
            return std::make_shared<TableReader::Result>(
                TableReader::read(path, options, &control));
        },
        [this](const std::shared_ptr<TableReader::Result>& result) { onRead(result); });
}

void ImportSession::onRead(const std::shared_ptr<TableReader::Result>& result) {
    m_checkedBook.reset();
    m_error = result->error;
    m_table = std::make_shared<const Table>(std::move(result->table));
    if (m_error) {
        m_settings.columns.clear();
        m_plan = std::make_shared<const ImportPlan>();
        setPhase(Phase::Idle);
        Q_EMIT changed();
        return;
    }
    m_settings.hasHeader = m_chosenHeader.value_or(ColumnGuesser::firstRowIsHeader(*m_table));
    guessColumns();
    startCheck();
}

QStringList ImportSession::headers() const {
    QStringList names;
    const qsizetype count = std::max(columnCount(), m_table->columnCount());
    for (qsizetype i = 0; i < count; ++i) {
        const QString header = m_settings.hasHeader && !m_table->rows.empty()
                                   ? m_table->rows.front().cell(i).toString()
                                   : QString();
        names.append(header.trimmed().isEmpty() ? QStringLiteral("Colonna %1").arg(i + 1) : header);
    }
    return names;
}

void ImportSession::guessColumns() {
    const qsizetype count = m_table->columnCount();
    if (m_chosenColumns && columnCount() == count) {
        return;
    }
    m_chosenColumns = false;
    ColumnMap map(size_t(count), ImportField::Ignore);
    // The headers of this table, not of the map an earlier file left.
    m_settings.columns = map;
    if (m_settings.hasHeader && !m_table->rows.empty()) {
        const std::optional<ColumnMap> recalled =
            m_services.memory ? m_services.memory->recall(headers()) : std::nullopt;
        map = recalled.value_or(ColumnGuesser::guess(m_table->rows.front()));
        map.resize(size_t(count), ImportField::Ignore);
    }
    m_settings.columns = map;
}

void ImportSession::startCheck() {
    if (m_error) {
        return;
    }
    // Read here, on the context's thread; the check itself runs on the worker.
    auto book = std::make_shared<const BookIndex>(BookIndex::of(m_services.context));
    if (m_running && m_checkedBook && *m_checkedBook == *book && m_checkedSettings == m_settings &&
        m_phase == Phase::Idle) {
        save();
        return;
    }
    setPhase(Phase::Checking);
    m_checkedBook = book;
    m_checkedSettings = m_settings;
    const std::shared_ptr<const Table> table = m_table;
    ImportSettings settings = m_settings;
    const bool orderChosen = m_chosenOrder.has_value();
    const DateReading::Order localeOrder = DateReading::orderOf(m_services.clock.locale());
    inBackground<CheckResult>(
        [book, table, settings, orderChosen, localeOrder](TaskControl& control) mutable {
            const DateReading::ColumnFormat format =
                ImportPlan::expiryFormat(*table, settings, localeOrder);
            if (!orderChosen) {
                settings.dateOrder = format.order;
            }
            return CheckResult{std::make_shared<const ImportPlan>(
                                   ImportPlan::make(*table, settings, *book, &control)),
                               format};
        },
        [this](CheckResult result) { onChecked(std::move(result.plan), result.format); });
}

void ImportSession::onChecked(std::shared_ptr<const ImportPlan> plan,
                              DateReading::ColumnFormat format) {
    m_expiryFormat = format;
    if (!m_chosenOrder) {
        m_settings.dateOrder = format.order;
    }
    m_plan = std::move(plan);
    if (m_running) {
        save();
        return;
    }
    setPhase(Phase::Idle);
    Q_EMIT changed();
}

void ImportSession::setEncoding(TextEncoding encoding) {
    if (!m_running) {
        m_readOptions.encoding = encoding;
        startRead();
    }
}

void ImportSession::setDelimiter(QChar delimiter) {
    if (!m_running) {
        m_readOptions.delimiter = delimiter;
        startRead();
    }
}

void ImportSession::setSheet(int sheet) {
    if (!m_running) {
        m_readOptions.sheet = sheet;
        m_chosenColumns = false;
        startRead();
    }
}

void ImportSession::setHasHeader(bool hasHeader) {
    if (!m_running) {
        m_chosenHeader = hasHeader;
        m_settings.hasHeader = hasHeader;
        guessColumns();
        startCheck();
    }
}

void ImportSession::setColumn(qsizetype column, ImportField field) {
    if (!m_running && column >= 0 && column < columnCount()) {
        m_chosenColumns = true;
        m_settings.columns[size_t(column)] = field;
        startCheck();
    }
}

void ImportSession::setDateOrder(DateReading::Order order) {
    if (!m_running) {
        m_chosenOrder = order;
        m_settings.dateOrder = order;
        startCheck();
    }
}

void ImportSession::setUnknownCycle(const QString& renewalType) {
    if (!m_running) {
        m_settings.unknownCycle = renewalType;
        startCheck();
    }
}

void ImportSession::setDuplicates(ImportSettings::Duplicates duplicates) {
    if (!m_running) {
        m_settings.duplicates = duplicates;
        startCheck();
    }
}

void ImportSession::run() {
    if (m_running) {
        return;
    }
    if (m_error || m_table->rows.empty()) {
        ImportResult result;
        result.error = m_error.value_or(QStringLiteral("Nessun file da importare"));
        Q_EMIT finished(result);
        return;
    }
    m_running = true;
    // Checks again when the store changed since the preview's check (another window saved).
    startCheck();
}

void ImportSession::save() {
    setPhase(Phase::Saving);
    m_writing = std::make_unique<ImportApplier::Progress>(ImportApplier::start(*m_plan, *m_table));
    QString error;
    m_held = HeldSave::begin(m_services.context, &error);
    if (!m_held) {
        refuse(error);
        return;
    }
    saveSlice();
}

void ImportSession::saveSlice() {
    const bool made = ImportApplier::makeNext(*m_plan, m_settings.zone, m_services.context,
                                              *m_writing, kRowsPerSlice);
    QString error;
    if (!m_held->savePart(&error)) {
        m_services.context.rollback();
        m_held.reset();
        refuse(error);
        return;
    }
    if (!made) {
        QTimer::singleShot(0, this, &ImportSession::saveSlice);
        return;
    }
    const bool committed = m_held->commit(&error);
    m_held.reset();
    if (!committed) {
        refuse(error);
        return;
    }
    const std::unique_ptr<ImportApplier::Progress> written = std::move(m_writing);
    schedule(written->outcome);
}

void ImportSession::refuse(const QString& error) {
    ImportApplier::refuse(m_writing->outcome, error, m_services.log);
    const ImportResult result = m_writing->outcome.result;
    m_writing.reset();
    m_running = false;
    setPhase(Phase::Idle);
    Q_EMIT finished(result);
}

void ImportSession::schedule(const ImportApplier::Outcome& outcome) {
    if (m_services.memory && m_settings.hasHeader) {
        m_services.memory->remember(headers().mid(0, columnCount()), m_settings.columns);
    }
    setPhase(Phase::Scheduling);
    m_control.reset();
    QPointer<ImportSession> self(this);
    m_services.reminders.schedulePolicyReminders(
        outcome.policies, [self, result = outcome.result](int scheduled, int failed) mutable {
            if (!self) {
                return;
            }
            result.remindersScheduled = scheduled;
            result.remindersFailed = failed;
            self->m_running = false;
            self->setPhase(Phase::Idle);
            Q_EMIT self->finished(result);
        });
}

void ImportSession::cancel() {
    if (m_phase != Phase::Reading && m_phase != Phase::Checking) {
        return;
    }
    const bool reading = m_phase == Phase::Reading;
    if (m_control) {
        m_control->cancel();
    }
    m_checkedBook.reset();
    ++m_generation;
    setPhase(Phase::Idle);
    if (m_running) {
        m_running = false;
        ImportResult result;
        result.error = QStringLiteral("Importazione annullata: nulla è stato salvato");
        Q_EMIT finished(result);
        return;
    }
    if (reading) {
        m_error = QStringLiteral("Lettura annullata");
        m_table = std::make_shared<const Table>();
        m_settings.columns.clear();
    }
    Q_EMIT changed();
}

std::vector<ImportSession::PreviewRow> ImportSession::preview(int count) const {
    std::vector<PreviewRow> rows;
    const size_t first = m_settings.hasHeader && !m_table->rows.empty() ? 1 : 0;
    const bool planFits = size_t(m_plan->firstRow()) == first;
    for (size_t i = first; i < m_table->rows.size() && rows.size() < size_t(count); ++i) {
        const TableRow& source = m_table->rows[i];
        PreviewRow& row = rows.emplace_back();
        row.line = source.line();
        if (!source.problem().isEmpty()) {
            row.cells.append(source.text(m_table->source.delimiter));
        } else {
            for (qsizetype c = 0; c < source.size(); ++c) {
                row.cells.append(source.cell(c).toString());
            }
        }
        const size_t planned = i - first;
        if (planFits && planned < m_plan->rows().size() &&
            m_plan->rows()[planned].line == source.line()) {
            row.verdict = m_plan->rows()[planned].verdict;
            row.notes = m_plan->rows()[planned].notes;
        }
    }
    return rows;
}
