#pragma once

#include "renderer/RendererProtocol.h"

#include <QBuffer>
#include <QPdfDocument>

#include <map>
#include <memory>
#include <variant>

// The renderer's documents, opened with Qt PDF from the bytes the program sent, and the
// answers to its requests. It trusts nothing it is asked: a page out of range, a size beyond
// the pixel bound or a region outside the page is refused or brought within bounds.
class PdfRenderService final {
public:
    struct Limits {
        qint64 maximumPixels = 40'000'000; // of a whole page, and so of any image
        quint32 maximumPages = 2000;       // page sizes told in a layout
    };

    explicit PdfRenderService(Limits limits);
    ~PdfRenderService();

    // Opens and draws a small document of its own, so that the PDF library has set itself up
    // before the renderer gives up its right to open files.
    static bool warmUp();

    std::variant<RendererProtocol::LayoutAnswer, RendererProtocol::FailedAnswer>
    open(RendererProtocol::OpenRequest request);
    std::variant<QImage, RendererProtocol::FailedAnswer>
    render(const RendererProtocol::RenderRequest& request);
    void close(quint32 document);

    // An image of a page, drawn on nothing, laid on white paper.
    static QImage onWhite(QImage image);
    // The page size in pixels brought within the pixel bound, and the factor it was scaled by.
    static QSize boundedPageSize(QSize pageSize, qint64 maximumPixels, double* scale);

private:
    struct Document {
        QByteArray storage;
        QByteArray bytes;
        QBuffer buffer;
        QPdfDocument pdf;
    };

    Limits m_limits;
    std::map<quint32, std::unique_ptr<Document>> m_documents;
};
