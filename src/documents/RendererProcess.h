#pragma once

#include "documents/PipeWriter.h"
#include "renderer/RendererProtocol.h"
#include "renderer/SharedImageArea.h"

#include <QObject>
#include <QProcess>

#include <initializer_list>
#include <memory>

// One running document renderer: started with its bounds set before it runs, fed frames on its
// standard input, heard on its standard output. It never waits for the renderer: frames go
// out from a thread of their own (PipeWriter) and come in as they arrive; stopping it is a
// SIGKILL.
class RendererProcess final : public QObject {
    Q_OBJECT
public:
    struct Bounds {
        qint64 addressSpaceBytes = 0; // 0: none (see addressSpaceBounded)
        int processorSeconds = 0;
    };

    // How it ended, unless this side stopped it.
    struct End {
        bool failedToStart = false;
        bool crashed = false; // by a signal, given in `code`
        int code = 0;         // the exit status, or the signal
        QString error;
    };

    explicit RendererProcess(Bounds bounds, QObject* parent = nullptr);
    // Kills a renderer still running and reaps it, which takes no longer than the kernel takes
    // to end it: only for the program's own end. Use stop() otherwise.
    ~RendererProcess() override;

    // Whether this build can bound the renderer's address space: AddressSanitizer reserves
    // terabytes of it for its shadow memory, so a sanitised renderer would not even start
    // under the bound. Its memory is then bounded from outside by its resident set alone.
    static bool addressSpaceBounded();

    // `ended` may be emitted before this returns, when the renderer cannot be started.
    void start(const QString& executable, const QStringList& arguments);
    void send(RendererProtocol::Type type, quint32 request,
              std::initializer_list<QByteArray> parts);
    qint64 processId() const;
    // The renderer's resident memory now, from /proc; 0 when it cannot be read.
    qint64 residentBytes() const;
    // Kills it (SIGKILL) and deletes this object once the kernel has ended it, which can take
    // a moment for a renderer that holds much memory: nobody waits for that. Nothing is
    // emitted any more.
    void stop();

Q_SIGNALS:
    void frameReceived(const RendererProtocol::Frame& frame);
    void ended(const RendererProcess::End& end);

private:
    void readFrames();
    int makeSharedArea();

    Bounds m_bounds;
    QProcess m_process;
    std::unique_ptr<PipeWriter> m_input;
    RendererProtocol::FrameReader m_reader;
    SharedImageArea m_sharedImages;
    bool m_stopped = false;
};
