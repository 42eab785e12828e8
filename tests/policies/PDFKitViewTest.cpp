#include "policies/PDFKitView.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfView>
#include <QPdfWriter>

#include <gtest/gtest.h>

namespace {

QByteArray pdfWithPages(int pages) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    QPainter painter(&writer);
    for (int page = 0; page < pages; ++page) {
        if (page > 0) {
            writer.newPage();
        }
        painter.drawText(100, 100, QStringLiteral("Pagina %1").arg(page + 1));
    }
    painter.end();
    return bytes;
}

TEST(PDFKitView, ShowsEveryPageFittedToTheWidthAndNothingForUnreadableBytes) {
    PDFKitView view(pdfWithPages(3));
    EXPECT_EQ(view.pageCount(), 3);
    EXPECT_EQ(view.pdfView()->pageMode(), QPdfView::PageMode::MultiPage);
    EXPECT_EQ(view.pdfView()->zoomMode(), QPdfView::ZoomMode::FitToWidth);

    // Unreadable bytes keep what was shown; a readable document replaces it.
    view.setData(QByteArray("not a pdf"));
    EXPECT_EQ(view.pageCount(), 3);
    view.setData(pdfWithPages(1));
    EXPECT_EQ(view.pageCount(), 1);
    view.resize(400, 500);
    view.show();
    EXPECT_FALSE(view.grab().isNull());

    PDFKitView empty(QByteArray("%PDF-broken"));
    EXPECT_EQ(empty.pageCount(), 0);
    EXPECT_EQ(empty.pdfView()->document(), nullptr);
    PDFKitView none{QByteArray()};
    EXPECT_EQ(none.pageCount(), 0);
}

} // namespace
