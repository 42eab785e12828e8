#include "renderer/RequestChannel.h"

#include <cerrno>
#include <unistd.h>

using namespace RendererProtocol;

RequestChannel::RequestChannel(int input, int output)
    : m_input(input)
    , m_output(output) {}

RequestChannel::~RequestChannel() {
    // The reader may be blocked in read(): the process ends without waiting for it.
    if (m_reader.joinable()) {
        m_reader.detach();
    }
}

void RequestChannel::start() {
    m_reader = std::thread([this] { readLoop(); });
}

void RequestChannel::readLoop() {
    FrameReader reader;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(m_input, chunk.data(), size_t(chunk.size()));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        reader.append(QByteArrayView(chunk.constData(), got));
        if (reader.broken()) {
            break;
        }
        while (std::optional<Frame> frame = reader.next()) {
            received(std::move(*frame));
        }
    }
    const std::lock_guard lock(m_mutex);
    m_ended = true;
    m_arrived.notify_all();
}

void RequestChannel::received(Frame frame) {
    if (frame.type != Type::Cancel) {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(frame));
        m_arrived.notify_all();
        return;
    }
    const std::optional<quint32> target = requestOf(frame.payload);
    if (!target) {
        return;
    }
    std::unique_lock lock(m_mutex);
    for (auto queued = m_queue.begin(); queued != m_queue.end(); ++queued) {
        if (queued->request == *target && queued->type != Type::Close) {
            m_queue.erase(queued);
            lock.unlock();
            answer(Type::Cancelled, *target, {});
            return;
        }
    }
    if (m_current == target) {
        m_cancelled.insert(*target);
    }
}

std::optional<Frame> RequestChannel::next() {
    std::unique_lock lock(m_mutex);
    m_cancelled.clear();
    m_current.reset();
    m_arrived.wait(lock, [this] { return m_ended || !m_queue.empty(); });
    if (m_queue.empty()) {
        return std::nullopt;
    }
    Frame frame = std::move(m_queue.front());
    m_queue.pop_front();
    m_current = frame.request;
    return frame;
}

bool RequestChannel::isCancelled(quint32 request) {
    const std::lock_guard lock(m_mutex);
    return m_cancelled.count(request) > 0;
}

bool RequestChannel::answer(Type type, quint32 request,
                            std::initializer_list<QByteArrayView> parts) {
    quint64 size = 0;
    for (QByteArrayView part : parts) {
        size += quint64(part.size());
    }
    const std::lock_guard lock(m_writing);
    if (!writeAll(header(type, request, size))) {
        return false;
    }
    for (QByteArrayView part : parts) {
        if (!writeAll(part)) {
            return false;
        }
    }
    return true;
}

bool RequestChannel::writeAll(QByteArrayView bytes) {
    while (!bytes.isEmpty()) {
        const ssize_t written = ::write(m_output, bytes.data(), size_t(bytes.size()));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes = bytes.sliced(written);
    }
    return true;
}
