#include "renderer/PdfRenderService.h"

#include <algorithm>
#include <cmath>

using namespace RendererProtocol;

namespace {

FailedAnswer failure(Failure kind, const QString& detail) {
    return FailedAnswer{kind, detail};
}

FailedAnswer loadFailure(QPdfDocument::Error error, qsizetype size) {
    switch (error) {
    case QPdfDocument::Error::IncorrectPassword:
        return failure(Failure::Password, QStringLiteral("the document needs a password"));
    case QPdfDocument::Error::UnsupportedSecurityScheme:
        return failure(Failure::Password,
                       QStringLiteral("the document is protected in a way not supported"));
    case QPdfDocument::Error::InvalidFileFormat:
    case QPdfDocument::Error::FileNotFound:
        if (size == 0) {
            return failure(Failure::NotPdf, QStringLiteral("the document is empty"));
        }
        return failure(Failure::NotPdf, QStringLiteral("the bytes are not a PDF document"));
    default:
        return failure(Failure::Damaged,
                       QStringLiteral("the PDF cannot be read (error %1)").arg(int(error)));
    }
}

// A page with a line of text in a standard font: enough to set up fonts and drawing.
QByteArray warmUpDocument() {
    const QByteArray content = "BT /F1 12 Tf 10 10 Td (Quintaver) Tj ET";
    const QByteArray objects[] = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one object over two lines.
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 40] /Contents 4 0 R "
        "/Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
            "\nendstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    QByteArray pdf = "%PDF-1.4\n";
    QByteArray xref = "xref\n0 6\n0000000000 65535 f \n";
    int number = 1;
    for (const QByteArray& object : objects) {
        xref += QByteArray::number(pdf.size()).rightJustified(10, '0') + " 00000 n \n";
        pdf += QByteArray::number(number++) + " 0 obj\n" + object + "\nendobj\n";
    }
    const qsizetype start = pdf.size();
    return pdf + xref + "trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(start) + "\n%%EOF\n";
}

} // namespace

PdfRenderService::PdfRenderService(Limits limits)
    : m_limits(limits) {}

PdfRenderService::~PdfRenderService() = default;

bool PdfRenderService::warmUp() {
    QByteArray bytes = warmUpDocument();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument pdf;
    pdf.load(&buffer);
    return pdf.pageCount() == 1 && !pdf.render(0, QSize(100, 40)).isNull();
}

std::variant<LayoutAnswer, FailedAnswer> PdfRenderService::open(OpenRequest request) {
    m_documents.erase(request.document);
    auto document = std::make_unique<Document>();
    document->storage = std::move(request.storage);
    document->bytes = std::move(request.bytes);
    document->buffer.setBuffer(&document->bytes);
    document->buffer.open(QIODevice::ReadOnly);
    document->pdf.load(&document->buffer);
    if (document->pdf.status() != QPdfDocument::Status::Ready) {
        return loadFailure(document->pdf.error(), document->bytes.size());
    }
    const int pages = document->pdf.pageCount();
    if (pages <= 0) {
        return failure(Failure::NoPages, QStringLiteral("the document has no pages"));
    }
    LayoutAnswer answer;
    answer.pageCount = quint32(pages);
    const quint32 told = std::min(answer.pageCount, m_limits.maximumPages);
    answer.pageSizes.reserve(told);
    for (quint32 page = 0; page < told; ++page) {
        answer.pageSizes.push_back(document->pdf.pagePointSize(int(page)));
    }
    m_documents[request.document] = std::move(document);
    return answer;
}

QSize PdfRenderService::boundedPageSize(QSize pageSize, qint64 maximumPixels, double* scale) {
    *scale = 1;
    const double pixels = double(pageSize.width()) * double(pageSize.height());
    if (pixels <= double(maximumPixels)) {
        return pageSize;
    }
    *scale = std::sqrt(double(maximumPixels) / pixels);
    return QSize(std::max(1, int(pageSize.width() * *scale)),
                 std::max(1, int(pageSize.height() * *scale)));
}

std::variant<QImage, FailedAnswer> PdfRenderService::render(const RenderRequest& request) {
    const auto found = m_documents.find(request.document);
    if (found == m_documents.end()) {
        return failure(Failure::UnknownDocument,
                       QStringLiteral("no document %1 is open").arg(request.document));
    }
    QPdfDocument& pdf = found->second->pdf;
    if (request.page >= quint32(pdf.pageCount()) || request.pageSize.isEmpty()) {
        return failure(Failure::BadRequest, QStringLiteral("no page %1 of size %2x%3")
                                                .arg(request.page)
                                                .arg(request.pageSize.width())
                                                .arg(request.pageSize.height()));
    }
    double scale = 1;
    const QSize pageSize = boundedPageSize(request.pageSize, m_limits.maximumPixels, &scale);
    const QRect scaled(int(request.region.x() * scale), int(request.region.y() * scale),
                       int(std::ceil(request.region.width() * scale)),
                       int(std::ceil(request.region.height() * scale)));
    const QRect region = scaled.intersected(QRect(QPoint(0, 0), pageSize));
    if (region.isEmpty()) {
        return failure(Failure::BadRequest, QStringLiteral("the region is outside the page"));
    }
    QPdfDocumentRenderOptions options;
    options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
    if (region.size() != pageSize) {
        // Qt PDF 6.4 draws a clipped page smaller by one pixel in each dimension of the clip
        // (it scales by (n - 1) / n): asking for a page that much larger puts each point where
        // the whole page has it, to a pixel.
        const auto widen = [](int page, int clip) {
            return clip > 1 ? qRound(page * double(clip) / (clip - 1)) : page;
        };
        options.setScaledSize(QSize(widen(pageSize.width(), region.width()),
                                    widen(pageSize.height(), region.height())));
        options.setScaledClipRect(region);
    }
    QImage image = pdf.render(int(request.page), region.size(), options);
    if (image.isNull() || image.format() != QImage::Format_ARGB32) {
        return failure(Failure::Damaged,
                       QStringLiteral("page %1 could not be drawn").arg(request.page + 1));
    }
    return onWhite(std::move(image));
}

QImage PdfRenderService::onWhite(QImage image) {
    // The page as paper shows it: opaque, so the program draws it without blending. Each
    // channel is blended over white and rounded as (x + 127) / 255 would, with a division that
    // is exact for every sum a pixel can make (x + 1 + x / 256) / 256: no branch and no real
    // division, so the compiler can do several pixels at once.
    const auto blend = [](quint32 argb) {
        const quint32 alpha = argb >> 24;
        const quint32 white = 255 * (255 - alpha) + 127;
        const auto channel = [alpha, white](quint32 value) {
            const quint32 sum = value * alpha + white;
            return (sum + 1 + (sum >> 8)) >> 8;
        };
        return 0xff000000U | channel((argb >> 16) & 0xff) << 16 | channel((argb >> 8) & 0xff) << 8 |
               channel(argb & 0xff);
    };
    // Most of a page is bare paper or opaque ink and pictures: a run of pixels that are all
    // one or the other is settled without the arithmetic, several times faster.
    constexpr int kRun = 8;
    for (int y = 0; y < image.height(); ++y) {
        auto* pixel = reinterpret_cast<quint32*>(image.scanLine(y));
        const int width = image.width();
        int x = 0;
        for (; x + kRun <= width; x += kRun) {
            quint32 all = 0xffffffffU;
            quint32 any = 0;
            for (int k = 0; k < kRun; ++k) {
                all &= pixel[x + k];
                any |= pixel[x + k];
            }
            if (all >> 24 == 0xff) {
                continue;
            }
            if (any >> 24 == 0) {
                std::fill_n(pixel + x, kRun, 0xffffffffU);
                continue;
            }
            for (int k = 0; k < kRun; ++k) {
                pixel[x + k] = blend(pixel[x + k]);
            }
        }
        for (; x < width; ++x) {
            pixel[x] = blend(pixel[x]);
        }
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

void PdfRenderService::close(quint32 document) {
    m_documents.erase(document);
}
