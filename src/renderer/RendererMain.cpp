// quintaver-pdf-renderer: reads PDF documents and draws their pages for Quintaver Scheduler, in
// a process of its own so that no document can freeze, exhaust or crash the program. The
// program starts it with its bounds already set (address space, processor time) and speaks to
// it over its standard input and output (see RendererProtocol); once started it closes itself
// in (see RendererSandbox).

#include "renderer/PdfRenderService.h"
#include "renderer/RendererExit.h"
#include "renderer/RendererProtocol.h"
#include "renderer/RendererSandbox.h"
#include "renderer/RequestChannel.h"
#include "renderer/SharedImageArea.h"

#include <QByteArray>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace RendererProtocol;

namespace {

void say(const char* line) {
    [[maybe_unused]] const ssize_t written = ::write(2, line, std::strlen(line));
}

bool parseArguments(int argc, char** argv, PdfRenderService::Limits* limits, int* sharedArea) {
    for (int i = 1; i + 1 < argc; i += 2) {
        bool ok = false;
        const qint64 value = QByteArray(argv[i + 1]).toLongLong(&ok);
        if (!ok || value <= 0) {
            return false;
        }
        if (std::strcmp(argv[i], "--max-pixels") == 0) {
            limits->maximumPixels = value;
        } else if (std::strcmp(argv[i], "--max-pages") == 0) {
            limits->maximumPages = quint32(std::min<qint64>(value, 1'000'000));
        } else if (std::strcmp(argv[i], "--shared-area-fd") == 0) {
            *sharedArea = int(std::min<qint64>(value, INT_MAX));
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

ProbeAnswer outcome(int result, const char* done) {
    if (result < 0) {
        return ProbeAnswer{errno, QString::fromLocal8Bit(std::strerror(errno))};
    }
    return ProbeAnswer{0, QString::fromLatin1(done)};
}

ProbeAnswer probe(const ProbeRequest& request) {
    switch (request.probe) {
    case Probe::OpenFile: {
        const int fd = ::open(request.argument.constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
        }
        return outcome(fd, "opened");
    }
    case Probe::CreateSocket: {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0) {
            ::close(fd);
        }
        return outcome(fd, "made a socket");
    }
    case Probe::StartProcess: {
        const pid_t child = ::fork();
        if (child == 0) {
            ::_exit(0);
        }
        if (child > 0) {
            ::waitpid(child, nullptr, 0);
        }
        return outcome(child, "started a process");
    }
    case Probe::Grow: {
        // Kept for the rest of the renderer's life, as a runaway document would keep it.
        static std::vector<std::unique_ptr<char[]>> taken;
        constexpr qint64 kChunk = 1 << 20;
        for (qint64 left = request.argument.toLongLong(); left > 0; left -= kChunk) {
            taken.emplace_back(new char[kChunk]);
            std::memset(taken.back().get(), 1, kChunk);
        }
        return ProbeAnswer{0, QStringLiteral("grew")};
    }
    }
    return ProbeAnswer{EINVAL, QStringLiteral("no such probe")};
}

void answerFailed(RequestChannel& channel, quint32 request, const FailedAnswer& failed) {
    channel.answer(Type::Failed, request, {payload(failed)});
}

void serveOpen(RequestChannel& channel, PdfRenderService& service, const Frame& frame) {
    std::optional<OpenRequest> request = openRequest(frame.payload);
    if (!request) {
        answerFailed(channel, frame.request, {Failure::BadRequest, QStringLiteral("bad Open")});
        return;
    }
    const quint32 document = request->document;
    auto answer = service.open(std::move(*request));
    if (channel.isCancelled(frame.request)) {
        service.close(document);
        channel.answer(Type::Cancelled, frame.request, {});
    } else if (const auto* layout = std::get_if<LayoutAnswer>(&answer)) {
        channel.answer(Type::Layout, frame.request, {payload(*layout)});
    } else {
        answerFailed(channel, frame.request, std::get<FailedAnswer>(answer));
    }
}

// The area the program shares for page images, mapped before the sandbox closes the
// renderer in; without one, every image goes through the pipe.
SharedImageArea mapSharedArea(int fd) {
    if (fd < 0) {
        return {};
    }
    SharedImageArea area = SharedImageArea::map(fd);
    ::close(fd);
    if (!area.isValid()) {
        say("quintaver-pdf-renderer: no shared area, images go through the pipe\n");
    }
    return area;
}

void serveRender(RequestChannel& channel, PdfRenderService& service, SharedImageArea& area,
                 const Frame& frame) {
    const std::optional<RenderRequest> request = renderRequest(frame.payload);
    if (!request) {
        answerFailed(channel, frame.request, {Failure::BadRequest, QStringLiteral("bad Render")});
        return;
    }
    const auto answer = service.render(*request);
    if (channel.isCancelled(frame.request)) {
        channel.answer(Type::Cancelled, frame.request, {});
    } else if (const auto* image = std::get_if<QImage>(&answer)) {
        if (area.put(*image)) {
            channel.answer(Type::SharedImage, frame.request, {imageFields(*image)});
        } else {
            channel.answer(
                Type::Image, frame.request,
                {imageFields(*image), QByteArrayView(image->constBits(), image->sizeInBytes())});
        }
    } else {
        answerFailed(channel, frame.request, std::get<FailedAnswer>(answer));
    }
}

void serve(RequestChannel& channel, PdfRenderService& service, SharedImageArea& area,
           const Frame& frame) {
    switch (frame.type) {
    case Type::Open:
        serveOpen(channel, service, frame);
        return;
    case Type::Render:
        serveRender(channel, service, area, frame);
        return;
    case Type::Close:
        if (const std::optional<quint32> document = documentOf(frame.payload)) {
            service.close(*document);
        }
        return;
    case Type::Probe:
        if (const std::optional<ProbeRequest> request = probeRequest(frame.payload)) {
            channel.answer(Type::ProbeResult, frame.request, {payload(probe(*request))});
            return;
        }
        break;
    default:
        break;
    }
    answerFailed(channel, frame.request, {Failure::BadRequest, QStringLiteral("bad request")});
}

} // namespace

int main(int argc, char** argv) {
    PdfRenderService::Limits limits;
    int sharedAreaFd = -1;
    if (!parseArguments(argc, argv, &limits, &sharedAreaFd)) {
        say("usage: quintaver-pdf-renderer [--max-pixels N] [--max-pages N] "
            "[--shared-area-fd N]\n");
        return RendererExit::kBadArguments;
    }
    // A failed allocation within the address-space bound ends the renderer with a status the
    // program reads as "out of memory".
    std::set_new_handler([] { ::_exit(RendererExit::kOutOfMemory); });
    if (!PdfRenderService::warmUp()) {
        say("quintaver-pdf-renderer: the PDF library did not start\n");
        return RendererExit::kNoPdf;
    }
    // Pages and documents are megabytes: pipes of a megabyte take them in fewer turns.
    ::fcntl(STDIN_FILENO, F_SETPIPE_SZ, 1 << 20);
    ::fcntl(STDOUT_FILENO, F_SETPIPE_SZ, 1 << 20);
    SharedImageArea area = mapSharedArea(sharedAreaFd);
    RequestChannel channel(STDIN_FILENO, STDOUT_FILENO);
    channel.start();
    QString error;
    if (!RendererSandbox::enter(STDIN_FILENO, STDOUT_FILENO, &error)) {
        say(qPrintable(QStringLiteral("quintaver-pdf-renderer: %1\n").arg(error)));
        ::_exit(RendererExit::kNoSandbox);
    }
    PdfRenderService service(limits);
    channel.answer(Type::Ready, 0, {});
    while (const std::optional<Frame> frame = channel.next()) {
        serve(channel, service, area, *frame);
    }
    // Without the atexit handlers: nothing is left to tidy, and leak checkers could not look
    // at the process from inside the sandbox.
    ::_exit(RendererExit::kDone);
}
