#include "documents/DocumentRenderer.h"

#include "platform/BackgroundWork.h"
#include "platform/LogChannel.h"
#include "renderer/RendererExit.h"

#include <QCoreApplication>
#include <QDir>
#include <QHashFunctions>

#include <csignal>

using namespace RendererProtocol;

namespace {

// Requests sent before the first is answered, so the renderer never waits for the program.
constexpr size_t kAhead = 2;

// Up to this size a document is hashed where it is shown, in well under a millisecond with the
// processor's AES instructions and a few without: a hop to a worker and back would cost more,
// and while the window paints, the renderer is already reading the document.
constexpr qsizetype kHashedHere = qsizetype(8) << 20;

DocumentFailure failureOf(const FailedAnswer& answer) {
    switch (answer.failure) {
    case Failure::NotPdf:
        return {DocumentFailure::Kind::NotPdf, answer.detail};
    case Failure::Password:
        return {DocumentFailure::Kind::Password, answer.detail};
    case Failure::NoPages:
        return {DocumentFailure::Kind::NoPages, answer.detail};
    default:
        return {DocumentFailure::Kind::Damaged, answer.detail};
    }
}

// A document's identity: its size and a hash of its bytes keyed with this run's random seed, so
// that nobody can make a document that shares another one's verdict.
QByteArray identityOf(const QByteArray& bytes) {
    const quint64 size = quint64(bytes.size());
    const quint64 hash = qHash(QByteArrayView(bytes), QHashSeed::globalSeed());
    return QByteArray(reinterpret_cast<const char*>(&size), sizeof size) +
           QByteArray(reinterpret_cast<const char*>(&hash), sizeof hash);
}

QString seconds(int ms) {
    return QString::number(double(ms) / 1000, 'g', 3);
}

} // namespace

// One document, by its bytes, however many screens show it.
struct DocumentRenderer::Entry {
    QByteArray hash;
    QByteArray bytes;
    QString name;
    std::vector<QPointer<ShownDocument>> shown;
    quint32 number = 0; // in the running renderer; 0 when not open there
    bool ready = false;
    int pageCount = 0;
    std::vector<QSizeF> pageSizes;
    int crashes = 0;
};

struct DocumentRenderer::Job {
    enum class Kind { Open, Render, Probe };
    Kind kind = Kind::Open;
    quint32 request = 0;
    std::shared_ptr<Entry> entry;
    quint32 document = 0; // the number it was sent under
    RenderRequest render;
    ProbeRequest probe;
    QPointer<QObject> receiver;
    std::function<void(const QImage&)> image;
    std::function<void(const ProbeAnswer&)> probed;
    std::function<void(const DocumentFailure&)> probeStopped;
    bool cancelled = false;
};

DocumentRenderer::DocumentRenderer(QString executable, LogChannel& log, QObject* parent)
    : DocumentRenderer(std::move(executable), log, Limits(), parent) {}

DocumentRenderer::DocumentRenderer(QString executable, LogChannel& log, Limits limits,
                                   QObject* parent)
    : QObject(parent)
    , m_executable(std::move(executable))
    , m_log(log)
    , m_limits(limits) {
    for (QTimer* timer : {&m_starting, &m_watchdog, &m_cancelGrace, &m_idle}) {
        timer->setSingleShot(true);
    }
    m_memoryCheck.setInterval(m_limits.memoryCheckMs);
    connect(&m_watchdog, &QTimer::timeout, this, &DocumentRenderer::watchdogExpired);
    connect(&m_cancelGrace, &QTimer::timeout, this, &DocumentRenderer::cancelGraceExpired);
    connect(&m_memoryCheck, &QTimer::timeout, this, &DocumentRenderer::checkMemory);
    connect(&m_idle, &QTimer::timeout, this, [this] { stopProcess(std::nullopt); });
    connect(&m_starting, &QTimer::timeout, this, [this] {
        failEverything(
            QStringLiteral("it did not start within %1 s").arg(seconds(m_limits.startTimeoutMs)));
    });
}

DocumentRenderer::~DocumentRenderer() {
    for (const std::shared_ptr<Entry>& entry : std::as_const(m_entries)) {
        for (const QPointer<ShownDocument>& shown : entry->shown) {
            if (shown) {
                shown->m_renderer = nullptr;
            }
        }
    }
}

QString DocumentRenderer::besideProgram() {
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QStringLiteral("quintaver-pdf-renderer"));
}

std::shared_ptr<ShownDocument> DocumentRenderer::show(const QByteArray& bytes,
                                                      const QString& name) {
    std::shared_ptr<ShownDocument> shown(new ShownDocument(this, bytes, name));
    QPointer<ShownDocument> target = shown.get();
    if (bytes.size() <= kHashedHere) {
        hashed(target, identityOf(bytes));
        return shown;
    }
    // Hashing a large document takes a while: not on this thread.
    runInBackground<QByteArray>(
        this, [bytes] { return identityOf(bytes); },
        [this, target](const QByteArray& hash) { hashed(target, hash); });
    return shown;
}

void DocumentRenderer::hashed(const QPointer<ShownDocument>& shown, const QByteArray& hash) {
    if (!shown) {
        return;
    }
    shown->m_hash = hash;
    if (const auto verdict = m_verdicts.constFind(hash); verdict != m_verdicts.constEnd()) {
        shown->fail(*verdict);
        return;
    }
    std::shared_ptr<Entry>& found = m_entries[hash];
    const std::shared_ptr<Entry> entry = found ? found : (found = std::make_shared<Entry>());
    entry->shown.push_back(shown);
    m_idle.stop();
    if (entry->ready) {
        shown->becomeReady(entry->pageCount, entry->pageSizes);
        return;
    }
    if (!entry->hash.isEmpty()) {
        return; // being opened for another screen
    }
    entry->hash = hash;
    entry->bytes = shown->bytes();
    entry->name = shown->name();
    if (entry->bytes.isEmpty()) {
        judge(*entry, {DocumentFailure::Kind::Empty, QStringLiteral("the document is empty")});
        return;
    }
    Job open;
    open.entry = entry;
    m_waiting.push_back(std::move(open));
    pump();
}

std::shared_ptr<DocumentRenderer::Entry> DocumentRenderer::entryFor(ShownDocument* shown) {
    return shown->m_hash.isEmpty() ? nullptr : m_entries.value(shown->m_hash);
}

ShownDocument::Ticket DocumentRenderer::request(ShownDocument* shown, int page, QSize pageSize,
                                                QRect region,
                                                std::function<void(const QImage&)> done) {
    const std::shared_ptr<Entry> entry = entryFor(shown);
    if (!entry || !entry->ready) {
        return 0;
    }
    Job job;
    job.kind = Job::Kind::Render;
    job.request = nextRequest();
    job.entry = entry;
    job.render = {0, quint32(page), pageSize, region};
    job.receiver = shown;
    job.image = std::move(done);
    const ShownDocument::Ticket ticket = job.request;
    m_waiting.push_back(std::move(job));
    pump();
    return ticket;
}

void DocumentRenderer::probe(Probe probe, const QByteArray& argument, QObject* receiver,
                             std::function<void(const ProbeAnswer&)> done,
                             std::function<void(const DocumentFailure&)> stopped) {
    Job job;
    job.kind = Job::Kind::Probe;
    job.request = nextRequest();
    job.probe = {probe, argument};
    job.receiver = receiver;
    job.probed = std::move(done);
    job.probeStopped = std::move(stopped);
    m_waiting.push_back(std::move(job));
    m_idle.stop();
    pump();
}

qint64 DocumentRenderer::processId() const {
    return m_process ? m_process->processId() : 0;
}

void DocumentRenderer::cancel(ShownDocument::Ticket ticket) {
    const auto waiting = std::find_if(m_waiting.begin(), m_waiting.end(),
                                      [ticket](const Job& job) { return job.request == ticket; });
    if (waiting != m_waiting.end()) {
        m_waiting.erase(waiting);
        return;
    }
    for (Job& job : m_sent) {
        if (job.request == ticket && !job.cancelled) {
            job.cancelled = true;
            m_process->send(Type::Cancel, 0, {requestPayload(ticket)});
        }
    }
    armWatchdog();
}

void DocumentRenderer::release(ShownDocument* shown) {
    for (ShownDocument::Ticket ticket : std::set(shown->m_tickets)) {
        cancel(ticket);
    }
    const std::shared_ptr<Entry> entry = entryFor(shown);
    if (entry) {
        std::erase_if(entry->shown, [shown](const QPointer<ShownDocument>& held) {
            return !held || held == shown;
        });
    }
    if (entry && entry->shown.empty()) {
        // Nobody shows it any more: whatever was asked for it goes, and the renderer lets it go.
        std::erase_if(m_waiting, [&entry](const Job& job) { return job.entry == entry; });
        for (Job& job : m_sent) {
            if (job.entry == entry && !job.cancelled) {
                job.cancelled = true;
                m_process->send(Type::Cancel, 0, {requestPayload(job.request)});
            }
        }
        if (entry->number != 0 && m_process) {
            m_process->send(Type::Close, 0, {documentPayload(entry->number)});
        }
        m_entries.remove(entry->hash);
    }
    armWatchdog();
    idleCheck();
}

void DocumentRenderer::pump() {
    while (m_sent.size() < kAhead && !m_waiting.empty()) {
        Job job = std::move(m_waiting.front());
        m_waiting.pop_front();
        if (!m_process && !startProcess()) {
            return; // every document was told the renderer cannot run
        }
        if (job.kind == Job::Kind::Render && job.entry->number == 0) {
            // Opened again in a renderer started since: quietly, before the page.
            Job reopen;
            reopen.entry = job.entry;
            m_waiting.push_front(std::move(job));
            sendNext(std::move(reopen));
            continue;
        }
        sendNext(std::move(job));
    }
    armWatchdog();
}

void DocumentRenderer::sendNext(Job job) {
    switch (job.kind) {
    case Job::Kind::Open:
        job.request = nextRequest();
        job.entry->number = ++m_lastDocument;
        job.document = job.entry->number;
        m_process->send(Type::Open, job.request, {documentPayload(job.document), job.entry->bytes});
        break;
    case Job::Kind::Render:
        job.document = job.entry->number;
        job.render.document = job.document;
        m_process->send(Type::Render, job.request, {payload(job.render)});
        break;
    case Job::Kind::Probe:
        m_process->send(Type::Probe, job.request, {payload(job.probe)});
        break;
    }
    m_sent.push_back(std::move(job));
}

bool DocumentRenderer::startProcess() {
    m_processReady = false;
    m_process =
        new RendererProcess({RendererProcess::addressSpaceBounded() ? m_limits.memoryBytes : 0,
                             m_limits.processorSeconds},
                            this);
    connect(m_process, &RendererProcess::frameReceived, this, &DocumentRenderer::received);
    connect(m_process, &RendererProcess::ended, this, &DocumentRenderer::processEnded);
    // A renderer that cannot even be started is said at once, from inside start().
    m_process->start(m_executable,
                     {QStringLiteral("--max-pixels"), QString::number(m_limits.maximumPixels),
                      QStringLiteral("--max-pages"), QString::number(m_limits.maximumPages)});
    return m_process != nullptr;
}

void DocumentRenderer::received(const Frame& frame) {
    if (frame.type == Type::Ready) {
        m_processReady = true;
        armWatchdog();
        return;
    }
    // Answers come in the order asked, except that a request cancelled before it began is
    // answered at once.
    const auto found = std::find_if(m_sent.begin(), m_sent.end(), [&frame](const Job& job) {
        return job.request == frame.request;
    });
    if (found == m_sent.end()) {
        return;
    }
    Job job = std::move(*found);
    m_sent.erase(found);
    answered(job, frame);
    pump();
}

void DocumentRenderer::answered(Job& job, const Frame& frame) {
    switch (job.kind) {
    case Job::Kind::Open:
        opened(job, frame);
        return;
    case Job::Kind::Probe:
        if (const auto answer = probeAnswer(frame.payload);
            answer && frame.type == Type::ProbeResult && job.receiver && job.probed) {
            job.probed(*answer);
        }
        return;
    case Job::Kind::Render:
        break;
    }
    auto* shown = qobject_cast<ShownDocument*>(job.receiver.data());
    if (frame.type == Type::Image && !job.cancelled && shown) {
        if (const std::optional<QImage> image = imageAnswer(frame.payload)) {
            shown->m_tickets.erase(job.request);
            job.image(*image);
            return;
        }
    }
    if (frame.type == Type::Failed && m_entries.value(job.entry->hash) == job.entry) {
        const std::optional<FailedAnswer> failed = failedAnswer(frame.payload);
        if (failed && failed->failure == Failure::UnknownDocument) {
            job.entry->number = 0;
            m_waiting.push_front(std::move(job));
            return;
        }
        judge(*job.entry, failed ? failureOf(*failed)
                                 : DocumentFailure{DocumentFailure::Kind::Damaged,
                                                   QStringLiteral("an unreadable answer")});
    }
}

void DocumentRenderer::opened(const Job& job, const Frame& frame) {
    Entry& entry = *job.entry;
    const bool wanted = m_entries.value(entry.hash) == job.entry;
    if (frame.type == Type::Layout && !wanted) {
        m_process->send(Type::Close, 0, {documentPayload(job.document)});
        return;
    }
    if (frame.type == Type::Cancelled || !wanted) {
        if (entry.number == job.document) {
            entry.number = 0;
        }
        return;
    }
    std::optional<LayoutAnswer> layout;
    if (frame.type == Type::Layout) {
        layout = layoutAnswer(frame.payload);
    }
    if (!layout) {
        const std::optional<FailedAnswer> failed = failedAnswer(frame.payload);
        judge(entry, failed ? failureOf(*failed)
                            : DocumentFailure{DocumentFailure::Kind::Damaged,
                                              QStringLiteral("an unreadable answer")});
        return;
    }
    if (entry.ready) {
        return; // opened again after a restart
    }
    entry.ready = true;
    entry.pageCount = int(std::min<quint32>(layout->pageCount, INT_MAX));
    entry.pageSizes = std::move(layout->pageSizes);
    for (const QPointer<ShownDocument>& shown : std::vector(entry.shown)) {
        if (shown) {
            shown->becomeReady(entry.pageCount, entry.pageSizes);
        }
    }
}

void DocumentRenderer::judge(Entry& entry, const DocumentFailure& failure) {
    const std::shared_ptr<Entry> kept = m_entries.value(entry.hash);
    m_verdicts.insert(entry.hash, failure);
    m_log.write(QStringLiteral("Error showing PDF: "),
                QStringLiteral("%1: %2").arg(entry.name, failure.detail));
    std::erase_if(m_waiting, [&entry](const Job& job) { return job.entry.get() == &entry; });
    for (Job& job : m_sent) {
        if (job.entry.get() == &entry) {
            job.cancelled = true;
        }
    }
    if (entry.number != 0 && m_process) {
        m_process->send(Type::Close, 0, {documentPayload(entry.number)});
    }
    m_entries.remove(entry.hash);
    for (const QPointer<ShownDocument>& shown : std::vector(entry.shown)) {
        if (shown) {
            shown->fail(failure);
        }
    }
    idleCheck();
}

void DocumentRenderer::armWatchdog() {
    if (m_sent.empty()) {
        m_watched = 0;
        m_starting.stop();
        m_watchdog.stop();
        m_cancelGrace.stop();
        m_memoryCheck.stop();
        return;
    }
    if (!m_processReady) {
        // Requests wait in the pipe; the watchdogs start once the renderer takes them.
        if (!m_starting.isActive()) {
            m_starting.start(m_limits.startTimeoutMs);
        }
        return;
    }
    m_starting.stop();
    const Job& head = m_sent.front();
    if (head.request != m_watched) {
        // The renderer takes the requests one by one: the first one sent has just begun.
        m_watched = head.request;
        m_headStarted.start();
        m_watchdog.start(head.kind == Job::Kind::Open ? m_limits.loadTimeoutMs
                                                      : m_limits.pageTimeoutMs);
        m_cancelGrace.stop();
    }
    const bool othersWait = !m_waiting.empty() || m_sent.size() > 1;
    if (head.cancelled && othersWait) {
        if (!m_cancelGrace.isActive()) {
            m_cancelGrace.start(
                int(std::max<qint64>(0, m_limits.cancelGraceMs - m_headStarted.elapsed())));
        }
    } else {
        m_cancelGrace.stop();
    }
    if (!m_memoryCheck.isActive()) {
        m_memoryCheck.start();
    }
}

void DocumentRenderer::watchdogExpired() {
    if (m_sent.empty()) {
        return;
    }
    const bool loading = m_sent.front().kind == Job::Kind::Open;
    const int ms = loading ? m_limits.loadTimeoutMs : m_limits.pageTimeoutMs;
    stopProcess(DocumentFailure{loading ? DocumentFailure::Kind::LoadTimeout
                                        : DocumentFailure::Kind::PageTimeout,
                                (loading ? QStringLiteral("opening it took longer than %1 s")
                                         : QStringLiteral("drawing a page took longer than %1 s"))
                                    .arg(seconds(ms))});
}

void DocumentRenderer::cancelGraceExpired() {
    if (!m_sent.empty() && m_sent.front().cancelled) {
        stopProcess(std::nullopt);
    }
}

void DocumentRenderer::checkMemory() {
    if (m_process && m_process->residentBytes() > m_limits.memoryBytes) {
        stopProcess(DocumentFailure{
            DocumentFailure::Kind::Memory,
            QStringLiteral("the renderer grew past %1 MiB").arg(m_limits.memoryBytes >> 20)});
    }
}

void DocumentRenderer::processEnded(const RendererProcess::End& end) {
    if (end.failedToStart) {
        failEverything(end.error);
        return;
    }
    if (!end.crashed && (end.code == RendererExit::kNoSandbox || end.code == RendererExit::kNoPdf ||
                         end.code == RendererExit::kBadArguments)) {
        failEverything(QStringLiteral("it ended with status %1").arg(end.code));
        return;
    }
    std::optional<DocumentFailure> blame;
    const Job* head = m_sent.empty() ? nullptr : &m_sent.front();
    const QString how = end.crashed ? QStringLiteral("signal %1").arg(end.code)
                                    : QStringLiteral("status %1").arg(end.code);
    if (!end.crashed && end.code == RendererExit::kOutOfMemory) {
        blame = DocumentFailure{DocumentFailure::Kind::Memory,
                                QStringLiteral("the renderer ran out of its memory bound")};
    } else if (end.crashed && end.code == SIGXCPU) {
        // Its processor time for a whole life is used up: a fresh one carries on.
    } else if (head && (head->kind == Job::Kind::Probe || ++head->entry->crashes >= 2)) {
        // Once may be bad luck; twice on the same document is the document.
        blame = DocumentFailure{DocumentFailure::Kind::Crashed,
                                QStringLiteral("the renderer stopped on it twice (%1)").arg(how)};
    }
    stopProcess(blame);
}

void DocumentRenderer::failEverything(const QString& why) {
    m_log.write(QStringLiteral("Error showing PDF: "),
                QStringLiteral("the renderer %1 cannot run: %2").arg(m_executable, why));
    m_waiting.clear();
    m_sent.clear();
    if (m_process) {
        m_process->stop();
        m_process = nullptr;
    }
    armWatchdog();
    const QHash<QByteArray, std::shared_ptr<Entry>> entries = std::exchange(m_entries, {});
    for (const std::shared_ptr<Entry>& entry : entries) {
        for (const QPointer<ShownDocument>& shown : entry->shown) {
            if (shown) {
                shown->fail({DocumentFailure::Kind::Unavailable, why});
            }
        }
    }
}

void DocumentRenderer::stopProcess(const std::optional<DocumentFailure>& blame) {
    if (!m_process) {
        return;
    }
    m_process->stop();
    m_process = nullptr;
    m_processReady = false;
    for (const std::shared_ptr<Entry>& entry : std::as_const(m_entries)) {
        entry->number = 0;
    }
    std::deque<Job> sent = std::exchange(m_sent, {});
    armWatchdog();
    std::optional<Job> head;
    if (!sent.empty()) {
        head = std::move(sent.front());
        sent.pop_front();
    }
    // What was sent after it waits, first in line, for the next renderer.
    for (auto job = sent.rbegin(); job != sent.rend(); ++job) {
        const bool reopen = job->kind == Job::Kind::Open && job->entry->ready;
        if (!job->cancelled && !reopen) {
            m_waiting.push_front(std::move(*job));
        }
    }
    if (head && blame) {
        if (head->entry && m_entries.value(head->entry->hash) == head->entry) {
            judge(*head->entry, *blame);
        } else if (head->kind == Job::Kind::Probe && head->receiver && head->probeStopped) {
            head->probeStopped(*blame);
        }
    } else if (head && !head->cancelled && !(head->kind == Job::Kind::Open && head->entry->ready)) {
        m_waiting.push_front(std::move(*head));
    }
    pump();
    idleCheck();
}

void DocumentRenderer::idleCheck() {
    if (m_process && m_entries.isEmpty() && m_waiting.empty() && m_sent.empty()) {
        m_idle.start(m_limits.idleStopMs);
    }
}

quint32 DocumentRenderer::nextRequest() {
    if (++m_lastRequest == 0) {
        ++m_lastRequest;
    }
    return m_lastRequest;
}
