#pragma once

#include "documents/DocumentFailure.h"
#include "documents/RendererProcess.h"
#include "documents/ShownDocument.h"
#include "renderer/RendererProtocol.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>

class LogChannel;
class ShownDocument;

// The program's side of the document renderer (quintaver-pdf-renderer), a process of its own
// that reads PDF documents and draws their pages, so that no document can freeze, exhaust or
// crash the program.
//
// The renderer is started when a document is first shown and stopped once none has been for a
// while. Requests go out in order, a couple ahead; each has a watchdog (to load, to draw a
// page), and a renderer that outlives one, grows past its memory bound or stops is killed and
// a fresh one started for what still waits. The document it was working on is judged: a
// timeout or the memory bound at once, a crash the second time. A document that cannot be
// shown is remembered by its bytes (their size and a keyed hash) for as long as the program
// runs, and said once in the log ("Error showing PDF: ").
class DocumentRenderer final : public QObject {
    Q_OBJECT
public:
    struct Limits {
        int loadTimeoutMs = 5000;
        int pageTimeoutMs = 10000;
        // A cancelled request that others wait behind is given this long to end before the
        // renderer is stopped for their sake.
        int cancelGraceMs = 1000;
        qint64 memoryBytes = qint64(1536) << 20; // address space, and resident memory
        int processorSeconds = 300;              // over a renderer's whole life
        qint64 maximumPixels = 40'000'000;       // of any page drawn
        int maximumPages = 2000;                 // laid out per document
        int idleStopMs = 30000;
        int memoryCheckMs = 100;
        int startTimeoutMs = 20000; // from start to Ready
    };

    DocumentRenderer(QString executable, LogChannel& log, QObject* parent = nullptr);
    DocumentRenderer(QString executable, LogChannel& log, Limits limits, QObject* parent = nullptr);
    ~DocumentRenderer() override;

    // quintaver-pdf-renderer beside the running program, where it is installed with it.
    static QString besideProgram();

    const Limits& limits() const { return m_limits; }

    // Starts showing a document; `name` is only for the log. One already judged, or already
    // read for another screen, may be failed or ready on return.
    std::shared_ptr<ShownDocument> show(const QByteArray& bytes, const QString& name);

    // A check of the renderer's sandbox and bounds (see RendererProtocol::Probe), for tests:
    // `done` hears the renderer's answer, or nothing when the renderer was stopped meanwhile
    // (`stopped` then says why).
    void probe(RendererProtocol::Probe probe, const QByteArray& argument, QObject* receiver,
               std::function<void(const RendererProtocol::ProbeAnswer&)> done,
               std::function<void(const DocumentFailure&)> stopped = {});

    // The running renderer's process, 0 when none runs.
    qint64 processId() const;

private:
    friend class ShownDocument;
    struct Entry;
    struct Job;

    void hashed(const QPointer<ShownDocument>& shown, const QByteArray& hash);
    std::shared_ptr<Entry> entryFor(ShownDocument* shown);
    ShownDocument::Ticket request(ShownDocument* shown, int page, QSize pageSize, QRect region,
                                  std::function<void(const QImage&)> done);
    void cancel(ShownDocument::Ticket ticket);
    void release(ShownDocument* shown);

    void pump();
    void sendNext(Job job);
    void received(const RendererProtocol::Frame& frame);
    void answered(Job& job, const RendererProtocol::Frame& frame);
    void opened(const Job& job, const RendererProtocol::Frame& frame);
    // False when it could not be started (and every document was told).
    bool startProcess();
    void armWatchdog();
    void watchdogExpired();
    void cancelGraceExpired();
    void checkMemory();
    void processEnded(const RendererProcess::End& end);
    // Kills the renderer; the first request sent, if any, is blamed with `blame`, every
    // other one waits again for the next renderer.
    void stopProcess(const std::optional<DocumentFailure>& blame);
    void judge(Entry& entry, const DocumentFailure& failure);
    void idleCheck();
    // The renderer cannot run: every document shown is told so (not remembered: it is not
    // theirs to answer for), and whatever was asked is dropped.
    void failEverything(const QString& why);
    quint32 nextRequest();

    QString m_executable;
    LogChannel& m_log;
    Limits m_limits;
    RendererProcess* m_process = nullptr;
    QHash<QByteArray, std::shared_ptr<Entry>> m_entries;
    QHash<QByteArray, DocumentFailure> m_verdicts;
    std::deque<Job> m_waiting;
    std::deque<Job> m_sent;
    quint32 m_watched = 0; // the request the watchdog is timing
    QElapsedTimer m_headStarted;
    quint32 m_lastRequest = 0;
    quint32 m_lastDocument = 0;
    bool m_processReady = false;
    QTimer m_starting;
    QTimer m_watchdog;
    QTimer m_cancelGrace;
    QTimer m_memoryCheck;
    QTimer m_idle;
};
