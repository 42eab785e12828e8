#include "report/RenewalPages.h"

#include "report/RenewalDocument.h"
#include "transfer/TaskControl.h"

#include <QAbstractTextDocumentLayout>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

#include <memory>

// The resolution Qt's text layout takes lengths in: it scales borders, paddings and margins
// by the paint device's resolution over this one.
extern Q_GUI_EXPORT int qt_defaultDpiY(); // NOLINT(readability-redundant-declaration)

namespace RenewalPages {
namespace {

constexpr qreal kFooterPoints = 8;
constexpr qreal kPageMarginMm = 12;
constexpr int kPdfDpi = 300;

QString cancelledText() {
    return QStringLiteral("Annullato");
}

} // namespace

QPageSize paperFor(const QLocale& locale) {
    const QLocale::Territory territory = locale.territory();
    return territory == QLocale::UnitedStates || territory == QLocale::Canada
               ? QPageSize(QPageSize::Letter)
               : QPageSize(QPageSize::A4);
}

QString pageFooter(int page, int pages) {
    return QStringLiteral("Pagina %1 di %2").arg(page).arg(pages);
}

std::optional<QString> paint(const RenewalReportContent& content, QPagedPaintDevice& device,
                             TaskControl* control, const std::function<void()>& abandon) {
    const std::unique_ptr<QTextDocument> document =
        RenewalDocument::build(content, qt_defaultDpiY(), control);
    if (!document) {
        return cancelledText();
    }
    QPainter painter;
    if (!painter.begin(&device)) {
        return QStringLiteral("La destinazione non accetta la stampa");
    }
    document->documentLayout()->setPaintDevice(&device);
    QFont footerFont = document->defaultFont();
    footerFont.setPointSizeF(kFooterPoints);
    const QFontMetricsF footerMetrics(footerFont, &device);
    const qreal width = device.width();
    const qreal footerHeight = footerMetrics.height() * 2;
    const qreal bodyHeight = device.height() - footerHeight;
    if (width <= 0 || bodyHeight <= 0) {
        painter.end();
        return QStringLiteral("La pagina non ha spazio per la stampa");
    }
    document->setPageSize(QSizeF(width, bodyHeight));
    const int pages = document->pageCount();
    const qint64 rows = qint64(content.rows.size());
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    for (int page = 0; page < pages; ++page) {
        if (control && control->isCancelled()) {
            if (abandon) {
                abandon();
            }
            painter.end();
            return cancelledText();
        }
        if (page > 0 && !device.newPage()) {
            painter.end();
            return QStringLiteral("La destinazione non accetta una nuova pagina");
        }
        painter.save();
        const QRectF clip(0, page * bodyHeight, width, bodyHeight);
        painter.translate(0, -clip.top());
        painter.setClipRect(clip);
        context.clip = clip;
        document->documentLayout()->draw(&painter, context);
        painter.restore();
        painter.setFont(footerFont);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, bodyHeight, width, footerHeight),
                         Qt::AlignHCenter | Qt::AlignBottom, pageFooter(page + 1, pages));
        if (control) {
            control->setDone(rows + rows * (page + 1) / pages);
        }
    }
    if (!painter.end()) {
        return QStringLiteral("La stampa non si è potuta completare");
    }
    return std::nullopt;
}

std::optional<QString> writePdf(const QString& path, const RenewalReportContent& content,
                                const QPageSize& paper, TaskControl* control) {
    // QSaveFile writes beside the target and renames over it only on commit: a failure or a
    // stop leaves the target as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    std::optional<QString> failure;
    {
        QPdfWriter writer(&file);
        writer.setResolution(kPdfDpi);
        writer.setTitle(QStringLiteral("Scadenze delle polizze"));
        writer.setCreator(QStringLiteral("Quintaver Scheduler"));
        writer.setPageLayout(
            QPageLayout(paper, QPageLayout::Portrait,
                        QMarginsF(kPageMarginMm, kPageMarginMm, kPageMarginMm, kPageMarginMm),
                        QPageLayout::Millimeter));
        failure = paint(content, writer, control);
    }
    if (failure) {
        file.cancelWriting();
        return failure;
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return std::nullopt;
}

} // namespace RenewalPages
