#include "renderer/RendererProtocol.h"

#include <cstring>

namespace RendererProtocol {

namespace {

class Writer {
public:
    template <typename T> Writer& put(T value) {
        m_bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
        return *this;
    }
    Writer& put(const QByteArray& bytes) {
        put(quint32(bytes.size()));
        m_bytes.append(bytes);
        return *this;
    }
    QByteArray take() { return std::move(m_bytes); }

private:
    QByteArray m_bytes;
};

// Reads fields in order; once a read runs past the end, every later read fails too.
class Reader {
public:
    explicit Reader(const QByteArray& bytes)
        : m_bytes(bytes) {}

    template <typename T> bool get(T* value) {
        if (!m_ok || m_bytes.size() - m_offset < qsizetype(sizeof(T))) {
            m_ok = false;
            return false;
        }
        std::memcpy(value, m_bytes.constData() + m_offset, sizeof(T));
        m_offset += qsizetype(sizeof(T));
        return true;
    }
    bool get(QByteArray* bytes) {
        quint32 size = 0;
        if (!get(&size) || quint64(m_bytes.size() - m_offset) < size) {
            m_ok = false;
            return false;
        }
        *bytes = m_bytes.mid(m_offset, size);
        m_offset += size;
        return true;
    }
    qsizetype offset() const { return m_offset; }
    // Every field read, and nothing left over.
    bool complete() const { return m_ok && m_offset == m_bytes.size(); }

private:
    const QByteArray& m_bytes;
    qsizetype m_offset = 0;
    bool m_ok = true;
};

struct ImageFields {
    qint32 width = 0;
    qint32 height = 0;
    quint32 format = 0;
    qint32 bytesPerLine = 0;
};

} // namespace

QByteArray header(Type type, quint32 request, quint64 payloadSize) {
    return Writer().put(quint32(type)).put(request).put(payloadSize).take();
}

void FrameReader::append(QByteArrayView bytes) {
    while (!bytes.isEmpty() && !m_broken) {
        if (!m_partial) {
            const qsizetype wanted = std::min(kHeaderSize - m_header.size(), bytes.size());
            m_header.append(bytes.first(wanted));
            bytes = bytes.sliced(wanted);
            if (m_header.size() < kHeaderSize) {
                return;
            }
            Reader fields(m_header);
            quint32 type = 0;
            Frame frame;
            quint64 size = 0;
            fields.get(&type);
            fields.get(&frame.request);
            fields.get(&size);
            m_header.clear();
            if (size > kMaximumPayload) {
                m_broken = true;
                return;
            }
            frame.type = Type(type);
            frame.payload.resize(qsizetype(size));
            m_partial = std::move(frame);
            m_filled = 0;
        }
        const qsizetype wanted = std::min(m_partial->payload.size() - m_filled, bytes.size());
        std::memcpy(m_partial->payload.data() + m_filled, bytes.data(), size_t(wanted));
        m_filled += wanted;
        bytes = bytes.sliced(wanted);
        if (m_filled == m_partial->payload.size()) {
            m_ready.push_back(std::move(*m_partial));
            m_partial.reset();
        }
    }
}

std::optional<Frame> FrameReader::next() {
    if (m_nextReady == m_ready.size()) {
        return std::nullopt;
    }
    Frame frame = std::move(m_ready[m_nextReady++]);
    if (m_nextReady == m_ready.size()) {
        m_ready.clear();
        m_nextReady = 0;
    }
    return frame;
}

QByteArray payload(const LayoutAnswer& answer) {
    Writer writer;
    writer.put(answer.pageCount).put(quint32(answer.pageSizes.size()));
    for (const QSizeF& size : answer.pageSizes) {
        writer.put(size.width()).put(size.height());
    }
    return writer.take();
}

QByteArray payload(const RenderRequest& request) {
    return Writer()
        .put(request.document)
        .put(request.page)
        .put(qint32(request.pageSize.width()))
        .put(qint32(request.pageSize.height()))
        .put(qint32(request.region.x()))
        .put(qint32(request.region.y()))
        .put(qint32(request.region.width()))
        .put(qint32(request.region.height()))
        .take();
}

QByteArray imageFields(const QImage& image) {
    return Writer()
        .put(qint32(image.width()))
        .put(qint32(image.height()))
        .put(quint32(image.format()))
        .put(qint32(image.bytesPerLine()))
        .take();
}

QByteArray payload(const FailedAnswer& answer) {
    return Writer().put(quint32(answer.failure)).put(answer.detail.toUtf8()).take();
}

QByteArray payload(const ProbeRequest& request) {
    return Writer().put(quint32(request.probe)).put(request.argument).take();
}

QByteArray payload(const ProbeAnswer& answer) {
    return Writer().put(qint32(answer.error)).put(answer.detail.toUtf8()).take();
}

QByteArray documentPayload(quint32 document) {
    return Writer().put(document).take();
}

QByteArray requestPayload(quint32 request) {
    return Writer().put(request).take();
}

std::optional<OpenRequest> openRequest(const QByteArray& payload) {
    Reader reader(payload);
    OpenRequest request;
    if (!reader.get(&request.document)) {
        return std::nullopt;
    }
    request.storage = payload;
    request.bytes = QByteArray::fromRawData(request.storage.constData() + reader.offset(),
                                            request.storage.size() - reader.offset());
    return request;
}

std::optional<LayoutAnswer> layoutAnswer(const QByteArray& payload) {
    Reader reader(payload);
    LayoutAnswer answer;
    quint32 sizes = 0;
    if (!reader.get(&answer.pageCount) || !reader.get(&sizes) ||
        quint64(payload.size()) < quint64(sizes) * 2 * sizeof(double)) {
        return std::nullopt;
    }
    answer.pageSizes.reserve(sizes);
    for (quint32 i = 0; i < sizes; ++i) {
        double width = 0;
        double height = 0;
        reader.get(&width);
        reader.get(&height);
        answer.pageSizes.emplace_back(width, height);
    }
    return reader.complete() ? std::optional(std::move(answer)) : std::nullopt;
}

std::optional<RenderRequest> renderRequest(const QByteArray& payload) {
    Reader reader(payload);
    RenderRequest request;
    qint32 values[6] = {};
    reader.get(&request.document);
    reader.get(&request.page);
    for (qint32& value : values) {
        reader.get(&value);
    }
    if (!reader.complete()) {
        return std::nullopt;
    }
    request.pageSize = QSize(values[0], values[1]);
    request.region = QRect(values[2], values[3], values[4], values[5]);
    return request;
}

namespace {

// The fields at the start of an Image answer, if they describe an image the program takes.
std::optional<ImageFields> readImageFields(Reader& reader) {
    ImageFields fields;
    if (!reader.get(&fields.width) || !reader.get(&fields.height) || !reader.get(&fields.format) ||
        !reader.get(&fields.bytesPerLine)) {
        return std::nullopt;
    }
    if (fields.width <= 0 || fields.height <= 0 ||
        QImage::Format(fields.format) != QImage::Format_RGB32 ||
        qint64(fields.bytesPerLine) < qint64(fields.width) * 4) {
        return std::nullopt;
    }
    return fields;
}

} // namespace

std::optional<QImage> imageAnswer(const QByteArray& payload) {
    Reader reader(payload);
    const std::optional<ImageFields> fields = readImageFields(reader);
    if (!fields ||
        qint64(fields->bytesPerLine) * fields->height != payload.size() - reader.offset()) {
        return std::nullopt;
    }
    // The image reads the payload where it is; the copy of the handle keeps it alive.
    auto* kept = new QByteArray(payload);
    return QImage(
        reinterpret_cast<const uchar*>(kept->constData() + reader.offset()), fields->width,
        fields->height, fields->bytesPerLine, QImage::Format_RGB32,
        [](void* bytes) { delete static_cast<QByteArray*>(bytes); }, kept);
}

std::optional<qint64> imageBytes(const QByteArray& fields) {
    Reader reader(fields);
    const std::optional<ImageFields> read = readImageFields(reader);
    if (!read || !reader.complete()) {
        return std::nullopt;
    }
    return qint64(read->bytesPerLine) * read->height;
}

std::optional<FailedAnswer> failedAnswer(const QByteArray& payload) {
    Reader reader(payload);
    quint32 failure = 0;
    QByteArray detail;
    reader.get(&failure);
    reader.get(&detail);
    if (!reader.complete()) {
        return std::nullopt;
    }
    return FailedAnswer{Failure(failure), QString::fromUtf8(detail)};
}

std::optional<ProbeRequest> probeRequest(const QByteArray& payload) {
    Reader reader(payload);
    quint32 probe = 0;
    ProbeRequest request;
    reader.get(&probe);
    reader.get(&request.argument);
    if (!reader.complete()) {
        return std::nullopt;
    }
    request.probe = Probe(probe);
    return request;
}

std::optional<ProbeAnswer> probeAnswer(const QByteArray& payload) {
    Reader reader(payload);
    qint32 error = 0;
    QByteArray detail;
    reader.get(&error);
    reader.get(&detail);
    if (!reader.complete()) {
        return std::nullopt;
    }
    return ProbeAnswer{error, QString::fromUtf8(detail)};
}

std::optional<quint32> documentOf(const QByteArray& payload) {
    Reader reader(payload);
    quint32 document = 0;
    reader.get(&document);
    return reader.complete() ? std::optional(document) : std::nullopt;
}

std::optional<quint32> requestOf(const QByteArray& payload) {
    return documentOf(payload);
}

} // namespace RendererProtocol
