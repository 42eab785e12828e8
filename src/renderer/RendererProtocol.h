#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSizeF>
#include <QString>

#include <optional>
#include <vector>

// What the program and the document renderer say to each other over the renderer's standard
// input and output: frames of a 16-byte header (type, request number, payload length, in the
// machine's own byte order: both ends run on one machine) and a payload of fixed-width fields.
//
// The renderer first says Ready. The program asks; the renderer answers each request, in the order
// asked, with one frame carrying the same request number (Close has no answer). Cancel asks the
// renderer to drop a request it has not answered yet: that request is then answered by Cancelled.
namespace RendererProtocol {

enum class Type : quint32 {
    // Program to renderer.
    Open = 1, // the document's bytes: answered by Layout or Failed
    Render,   // a page's image at a size, or a region of it, opaque: Image or Failed
    Close,    // the document is no longer needed: no answer
    Cancel,   // drop an earlier request: that request is answered by Cancelled
    Probe,    // a check of the renderer's bounds (see Probe): ProbeResult

    // Renderer to program.
    Ready = 100, // unasked, once, when it has closed itself in and takes requests
    Layout,
    Image,
    Failed,
    Cancelled,
    ProbeResult,
    SharedImage, // an Image whose pixels wait in the shared area (see SharedImageArea)
};

// Why the renderer could not do what was asked.
enum class Failure : quint32 {
    NotPdf = 1,      // the bytes are not a PDF
    Password,        // the document needs a password
    Damaged,         // a PDF that cannot be read
    NoPages,         // a readable document without a page
    UnknownDocument, // no open document by that number (the renderer was started afresh)
    BadRequest,      // a request the renderer does not understand
};

// Checks that show what the renderer may do once it runs; the program never sends them.
enum class Probe : quint32 {
    OpenFile = 1, // open the path given, for reading
    CreateSocket, // make a socket
    StartProcess, // start another process
    Grow,         // take the given number of bytes of memory and touch every page
};

constexpr qsizetype kHeaderSize = 16;
// Nothing larger than this travels in one frame: a document the store can hold, or an image
// within the pixel bound, fits.
constexpr quint64 kMaximumPayload = quint64(1) << 31;

struct Frame {
    Type type = Type::Failed;
    quint32 request = 0;
    QByteArray payload;
};

QByteArray header(Type type, quint32 request, quint64 payloadSize);

// Collects frames from bytes as they arrive, however they are cut. A payload is gathered in
// one allocation of its announced size, so a large image is copied once.
class FrameReader final {
public:
    void append(QByteArrayView bytes);
    // The next whole frame, if one is in.
    std::optional<Frame> next();
    // A header announced more than kMaximumPayload: the stream cannot be trusted any more.
    bool broken() const { return m_broken; }

private:
    QByteArray m_header;
    std::optional<Frame> m_partial;
    qsizetype m_filled = 0;
    std::vector<Frame> m_ready;
    size_t m_nextReady = 0;
    bool m_broken = false;
};

struct OpenRequest {
    quint32 document = 0; // the program's number for it, kept until Close
    QByteArray bytes;     // a view into `storage`, which holds the whole payload
    QByteArray storage;
};

struct LayoutAnswer {
    quint32 pageCount = 0;
    std::vector<QSizeF> pageSizes; // in points, for the first pages only (see the limits)
};

struct RenderRequest {
    quint32 document = 0;
    quint32 page = 0;
    QSize pageSize; // the whole page's size in pixels
    QRect region;   // the part of it to draw, in the same pixels
};

struct FailedAnswer {
    Failure failure = Failure::BadRequest;
    QString detail; // in English, for the log
};

struct ProbeRequest {
    Probe probe = Probe::OpenFile;
    QByteArray argument; // the path, or the number of bytes
};

struct ProbeAnswer {
    int error = 0; // errno, 0 when the action succeeded
    QString detail;
};

// An Open request's payload is documentPayload(document) followed by the document's bytes,
// written as they are so that they are not copied on the way.
QByteArray payload(const LayoutAnswer& answer);
QByteArray payload(const RenderRequest& request);
// An Image answer's payload is imageFields(image) followed by the image's bytes.
QByteArray imageFields(const QImage& image);
QByteArray payload(const FailedAnswer& answer);
QByteArray payload(const ProbeRequest& request);
QByteArray payload(const ProbeAnswer& answer);
QByteArray documentPayload(quint32 document);
QByteArray requestPayload(quint32 request);

// Each reads a payload whole; nothing when it is cut short or holds more than its fields.
std::optional<OpenRequest> openRequest(const QByteArray& payload);
std::optional<LayoutAnswer> layoutAnswer(const QByteArray& payload);
std::optional<RenderRequest> renderRequest(const QByteArray& payload);
// The image keeps the payload's bytes, without a copy.
std::optional<QImage> imageAnswer(const QByteArray& payload);
// The number of bytes of the image that imageFields describe; nothing for fields that describe
// no image the program takes.
std::optional<qint64> imageBytes(const QByteArray& fields);
std::optional<FailedAnswer> failedAnswer(const QByteArray& payload);
std::optional<ProbeRequest> probeRequest(const QByteArray& payload);
std::optional<ProbeAnswer> probeAnswer(const QByteArray& payload);
std::optional<quint32> documentOf(const QByteArray& payload);
std::optional<quint32> requestOf(const QByteArray& payload);

} // namespace RendererProtocol
