#include "ui/PdfPageView.h"

#include "documents/ShownDocument.h"
#include "support/CapturedLog.h"
#include "support/StallWatch.h"
#include "support/TestPdfs.h"
#include "support/TestRenderer.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>

#include <cmath>

#include <gtest/gtest.h>

namespace {

// The share of a row of the image that is dark (the test pages' bars are black on white).
double darkShare(const QImage& image, int y, int left, int width) {
    int dark = 0;
    for (int x = left; x < left + width; ++x) {
        dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    }
    return double(dark) / width;
}

class PdfPageViewTest : public ::testing::Test {
protected:
    PdfPageViewTest() {
        m_view.resize(420, 600);
        m_view.setMaximumPixels(m_renderer.limits().maximumPixels);
        m_view.show();
    }
    void show(const QByteArray& bytes) {
        m_view.setDocument(m_renderer.show(bytes, QStringLiteral("polizza.pdf")));
    }
    // The pages that should be drawn, drawn, and nothing asked for still on its way.
    bool drawn(const std::vector<int>& pages) {
        return waitSleeping(
            [&] {
                const std::vector<int> done = m_view.pagesDrawn();
                return std::all_of(pages.begin(), pages.end(), [&done](int page) {
                    return std::find(done.begin(), done.end(), page) != done.end();
                });
            },
            15000);
    }

    CapturedLog m_log;
    DocumentRenderer m_renderer{TestRenderer::executable(), m_log.channel(),
                                TestRenderer::limits()};
    PdfPageView m_view;
};

TEST_F(PdfPageViewTest, LaysOutEveryPageFromItsSizeAndDrawsOnlyWhatIsOnScreen) {
    show(TestPdfs::pages(40));
    ASSERT_TRUE(drawn({0}));
    EXPECT_EQ(m_view.pagesLaidOut(), 40);
    EXPECT_EQ(m_view.accessibleName(),
              QStringLiteral("Documento allegato: polizza.pdf, 40 pagine"));
    // Fitted to the width, one under another, as tall as A4 is for that width.
    const QRect first = m_view.pageFrame(0);
    const QRect second = m_view.pageFrame(1);
    EXPECT_EQ(first.width(), m_view.viewport()->width() - 2 * PdfPageView::kMargin);
    EXPECT_NEAR(double(first.height()) / first.width(), 841.9 / 595.3, 0.01);
    EXPECT_EQ(second.top(), first.bottom() + 1 + PdfPageView::kGap);
    // What is on screen is drawn where its frame is: page 0's bar is a tenth of it.
    const QImage shown = m_view.viewport()->grab().toImage();
    EXPECT_NEAR(darkShare(shown, first.top() + 5, first.left(), first.width()), 0.1, 0.02);

    // Only what is on screen and the next screenful was asked for.
    ASSERT_TRUE(waitSleeping([this] { return m_view.isSettled(); }));
    for (int page : m_view.pagesDrawn()) {
        EXPECT_LT(m_view.pageFrame(page).top(), 2 * m_view.viewport()->height()) << page;
    }
    // Scrolled to the end: the last pages come, the middle ones were never drawn.
    m_view.verticalScrollBar()->setValue(m_view.verticalScrollBar()->maximum());
    ASSERT_TRUE(drawn({39}));
    const std::vector<int> done = m_view.pagesDrawn();
    EXPECT_EQ(std::count(done.begin(), done.end(), 20), 0);
    const QImage end = m_view.viewport()->grab().toImage();
    const QRect last = m_view.pageFrame(39);
    EXPECT_NEAR(darkShare(end, last.top() + 5, last.left(), last.width()), 1.0, 0.02);
}

TEST_F(PdfPageViewTest, KeepsItsImagesWithinTheBudgetBesidesWhatIsOnScreen) {
    m_view.setImageBudget(1 << 20);
    show(TestPdfs::pages(30));
    ASSERT_TRUE(drawn({0}));
    QScrollBar* bar = m_view.verticalScrollBar();
    for (int step = 0; step < 6; ++step) {
        bar->setValue(bar->value() + bar->pageStep());
        ASSERT_TRUE(waitSleeping([this] { return m_view.isSettled(); }));
    }
    const int top = bar->value();
    const int bottom = top + m_view.viewport()->height();
    qint64 onScreen = 0;
    for (int page = 0; page < m_view.pagesLaidOut(); ++page) {
        const QRect frame = m_view.pageFrame(page).translated(0, top);
        if (frame.bottom() >= top && frame.top() < bottom) {
            onScreen += qint64(frame.width()) * frame.height() * 4;
        }
    }
    EXPECT_LE(m_view.cachedBytes(), (1 << 20) + onScreen);
}

TEST_F(PdfPageViewTest, APageFarTallerThanWideIsShownSmallerWithinThePixelBound) {
    DocumentRenderer::Limits limits = TestRenderer::limits();
    limits.maximumPixels = 40'000'000;
    limits.pageTimeoutMs = 30'000; // bands of four megapixels, on a busy machine
    DocumentRenderer renderer(TestRenderer::executable(), m_log.channel(), limits);
    m_view.setMaximumPixels(limits.maximumPixels);
    m_view.setDocument(renderer.show(TestPdfs::extremePageShape(), QStringLiteral("a.pdf")));
    ASSERT_TRUE(drawn({0}));
    const QRect frame = m_view.pageFrame(0);
    const double pixels = frame.width() * frame.height() * std::pow(m_view.devicePixelRatioF(), 2);
    EXPECT_LE(pixels, double(limits.maximumPixels));
    EXPECT_GT(pixels, double(limits.maximumPixels) * 0.98);
    EXPECT_NEAR(double(frame.height()) / frame.width(), 1440, 15);
    // Drawn in bands, never as one image of the whole page.
    EXPECT_GT(m_view.cachedBytes(), 0);
    EXPECT_LT(m_view.cachedBytes(), pixels * 4 / 4);
    m_view.setDocument(nullptr);
}

TEST_F(PdfPageViewTest, ADocumentThatCannotBeShownSaysWhyAndOffersTheDesktopsViewer) {
    QSignalSpy elsewhere(&m_view, &PdfPageView::openElsewhereRequested);
    show(TestPdfs::encryptedWithUserPassword());
    auto* panel = m_view.findChild<QWidget*>(QStringLiteral("unshowableDocument"));
    ASSERT_TRUE(waitSleeping([&] {
        return (panel = m_view.findChild<QWidget*>(QStringLiteral("unshowableDocument")));
    }));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->findChild<QLabel*>(QStringLiteral("unshowableTitle"))->text(),
              QStringLiteral("Impossibile mostrare questo documento"));
    EXPECT_EQ(panel->findChild<QLabel*>(QStringLiteral("unshowableReason"))->text(),
              QStringLiteral("Il documento è protetto da una password."));
    // What a screen reader reads of the frame.
    QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(&m_view);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->text(QAccessible::Name), QStringLiteral("Documento allegato: polizza.pdf"));
    EXPECT_EQ(frame->text(QAccessible::Description),
              QStringLiteral("Impossibile mostrare questo documento: Il documento è protetto da "
                             "una password."));
    EXPECT_EQ(m_view.pagesLaidOut(), 0);
    panel->findChild<QPushButton*>(QStringLiteral("openElsewhereButton"))->click();
    EXPECT_EQ(elsewhere.size(), 1);

    // Another document in the same view shows its pages.
    show(TestPdfs::pages(2));
    ASSERT_TRUE(drawn({0, 1}));
    EXPECT_EQ(m_view.findChild<QWidget*>(QStringLiteral("unshowableDocument")), nullptr);
    EXPECT_TRUE(m_view.accessibleDescription().isEmpty());
}

} // namespace
