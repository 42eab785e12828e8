#include "documents/RendererProcess.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/mman.h> // memfd_create
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

RendererProcess::RendererProcess(Bounds bounds, QObject* parent)
    : QObject(parent)
    , m_bounds(bounds) {
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &RendererProcess::readFrames);
    connect(&m_process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        if (!m_stopped) {
            m_stopped = true;
            Q_EMIT ended({false, status == QProcess::CrashExit, code, QString()});
        }
    });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart && !m_stopped) {
            m_stopped = true;
            Q_EMIT ended({true, false, 0, m_process.errorString()});
        }
    });
}

void RendererProcess::start(const QString& executable, const QStringList& arguments) {
    // The renderer's input is a pipe of our own, written from a thread of its own (see
    // PipeWriter); QProcess's would be written only when the window's thread comes back to
    // the event loop, after whatever it paints meanwhile.
    int input[2] = {-1, -1};
    if (::pipe2(input, O_CLOEXEC) != 0) {
        m_stopped = true;
        Q_EMIT ended({true, false, 0, QStringLiteral("no pipe: %1").arg(qt_error_string(errno))});
        return;
    }
    m_input = std::make_unique<PipeWriter>(input[1]);
    m_process.setStandardInputFile(QProcess::nullDevice());
    const int shared = makeSharedArea();
    QStringList withArea = arguments;
    if (shared >= 0) {
        withArea << QStringLiteral("--shared-area-fd") << QString::number(shared);
    }
    // In the child, before the renderer runs: no document it reads can lift these.
    m_process.setChildProcessModifier([bounds = m_bounds, reading = input[0], shared] {
        const auto limit = [](int resource, rlim_t value) {
            const rlimit both{value, value};
            ::setrlimit(resource, &both);
        };
        if (bounds.addressSpaceBytes > 0) {
            limit(RLIMIT_AS, rlim_t(bounds.addressSpaceBytes));
        }
        if (bounds.processorSeconds > 0) {
            // SIGXCPU at the soft bound (read as "used up", not as a crash); SIGKILL a little
            // later should it go on.
            const rlimit processor{rlim_t(bounds.processorSeconds),
                                   rlim_t(bounds.processorSeconds) + 10};
            ::setrlimit(RLIMIT_CPU, &processor);
        }
        // A document that draws forever never takes a core from the window's thread.
        ::setpriority(PRIO_PROCESS, 0, 10);
        limit(RLIMIT_CORE, 0);  // a crash leaves no copy of the document on disk
        limit(RLIMIT_FSIZE, 0); // and nothing else is written either
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::dup2(reading, STDIN_FILENO); // without the close-on-exec flag of the original
        if (shared >= 0) {
            ::fcntl(shared, F_SETFD, 0); // this renderer alone inherits it
        }
    });
    m_process.start(executable, withArea);
    ::close(input[0]); // the renderer holds it now: once it ends, the pipe breaks
    if (shared >= 0) {
        ::close(shared); // the mapping stays
    }
}

// Memory of its own for this renderer's page images (see SharedImageArea), or -1: the images
// then come through the pipe.
int RendererProcess::makeSharedArea() {
    const int fd = ::memfd_create("quintaver-page-images", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) {
        return -1;
    }
    // Sealed at its size: an area cut short under the program's reading would end the program
    // with SIGBUS.
    if (::ftruncate(fd, SharedImageArea::kBytes) == 0 &&
        ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) == 0) {
        m_sharedImages = SharedImageArea::map(fd);
    }
    if (!m_sharedImages.isValid()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

RendererProcess::~RendererProcess() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool RendererProcess::addressSpaceBounded() {
#if defined(__SANITIZE_ADDRESS__)
    return false;
#else
    return true;
#endif
}

void RendererProcess::send(RendererProtocol::Type type, quint32 request,
                           std::initializer_list<QByteArray> parts) {
    quint64 size = 0;
    for (const QByteArray& part : parts) {
        size += quint64(part.size());
    }
    if (!m_input) {
        return;
    }
    m_input->write({RendererProtocol::header(type, request, size)});
    m_input->write(parts);
}

qint64 RendererProcess::processId() const {
    return m_process.processId();
}

qint64 RendererProcess::residentBytes() const {
    QFile statm(QStringLiteral("/proc/%1/statm").arg(m_process.processId()));
    if (m_process.processId() <= 0 || !statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> fields = statm.readLine().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
}

void RendererProcess::stop() {
    m_stopped = true;
    disconnect(this, nullptr, nullptr, nullptr);
    if (m_process.state() == QProcess::NotRunning) {
        deleteLater();
        return;
    }
    connect(&m_process, &QProcess::finished, this, &QObject::deleteLater);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            deleteLater();
        }
    });
    m_process.kill();
}

void RendererProcess::readFrames() {
    m_reader.append(m_process.readAllStandardOutput());
    if (m_reader.broken()) {
        // Not our protocol any more: treated as a renderer that stopped.
        m_process.kill();
        return;
    }
    while (!m_stopped) {
        std::optional<RendererProtocol::Frame> frame = m_reader.next();
        if (!frame) {
            break;
        }
        if (frame->type == RendererProtocol::Type::SharedImage) {
            // Copied out at once, so the area is free for the next page; then it is an Image
            // like any other. One that does not match the area is not our protocol.
            std::optional<QByteArray> image = m_sharedImages.take(frame->payload);
            if (!image) {
                m_process.kill();
                return;
            }
            frame->type = RendererProtocol::Type::Image;
            frame->payload = std::move(*image);
        }
        Q_EMIT frameReceived(*frame);
    }
}
