#include "documents/DocumentRenderer.h"

#include "support/CapturedLog.h"
#include "support/StallWatch.h"
#include "support/TestPdfs.h"
#include "support/TestRenderer.h"
#include "support/WaitUntil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

using Kind = DocumentFailure::Kind;
using RendererProtocol::Probe;
using RendererProtocol::ProbeAnswer;

DocumentRenderer::Limits testLimits() {
    return TestRenderer::limits();
}

// The share of a row of the image that is dark (the pages' bars are black on white).
double drawnShare(const QImage& image, int y) {
    int drawn = 0;
    for (int x = 0; x < image.width(); ++x) {
        drawn += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    }
    return double(drawn) / image.width();
}

class DocumentRendererTest : public ::testing::Test {
protected:
    explicit DocumentRendererTest(DocumentRenderer::Limits limits = testLimits())
        : m_renderer(TestRenderer::executable(), m_log.channel(), limits) {}

    // Shown, and read or refused by the renderer (a watchdog included); a document that reads
    // is asked for its first page too, since that is where some never end.
    static std::shared_ptr<ShownDocument> shown(DocumentRenderer& renderer,
                                                const QByteArray& bytes) {
        auto document = renderer.show(bytes, QStringLiteral("test.pdf"));
        EXPECT_TRUE(waitSleeping([&] { return document->state() != ShownDocument::State::Opening; },
                                 15000));
        if (document->state() == ShownDocument::State::Ready) {
            image(*document, 0, QSize(800, 1035));
        }
        return document;
    }
    std::shared_ptr<ShownDocument> shown(const QByteArray& bytes) {
        return shown(m_renderer, bytes);
    }
    static QImage image(ShownDocument& document, int page, QSize size, QRect region = {}) {
        std::optional<QImage> got;
        document.requestImage(page, size, region.isNull() ? QRect(QPoint(), size) : region,
                              [&got](const QImage& image) { got = image; });
        waitSleeping([&] { return got || document.state() == ShownDocument::State::Failed; },
                     15000);
        return got.value_or(QImage());
    }
    QStringList errorLines() const {
        return m_log.lines().filter(QStringLiteral("Error showing PDF: "));
    }

    CapturedLog m_log;
    DocumentRenderer m_renderer;
};

TEST_F(DocumentRendererTest, TellsAnOrdinaryDocumentsPagesAndDrawsThemAtTheSizeAsked) {
    const auto document = shown(TestPdfs::pages(12));
    ASSERT_EQ(document->state(), ShownDocument::State::Ready);
    EXPECT_EQ(document->pageCount(), 12);
    ASSERT_EQ(document->pageSizes().size(), 12u);
    EXPECT_NEAR(document->pageSizes()[5].width(), 595.3, 1);
    EXPECT_NEAR(document->pageSizes()[5].height(), 841.9, 1);

    // Each page is the one asked for: page i's bar is (i + 1) tenths wide.
    for (int page : {0, 3, 7}) {
        const QImage drawn = image(*document, page, QSize(400, 566));
        ASSERT_EQ(drawn.size(), QSize(400, 566)) << page;
        EXPECT_NEAR(drawnShare(drawn, 10), (page + 1) / 10.0, 0.02) << page;
        EXPECT_EQ(drawn.pixel(10, 300), qRgb(255, 255, 255)) << page;
    }
    // A region of a page is that part of the page drawn at the same size, to a pixel: the
    // bar of page 3 ends 160 pixels in and 28 down.
    const QImage part = image(*document, 3, QSize(400, 566), QRect(140, 10, 40, 60));
    ASSERT_EQ(part.size(), QSize(40, 60));
    EXPECT_NEAR(drawnShare(part, 5), 0.5, 1.0 / 40);
    EXPECT_NEAR(drawnShare(part.transformed(QTransform().rotate(90)), 5), 18.0 / 60, 1.0 / 60);
    EXPECT_TRUE(errorLines().isEmpty());
}

class HostileDocument : public DocumentRendererTest,
                        public ::testing::WithParamInterface<TestPdfs::Hostile> {};

TEST_P(HostileDocument, IsRefusedOrBoundedWithoutStallingAndTheNextDocumentShows) {
    const TestPdfs::Hostile& hostile = GetParam();
    const QByteArray ordinary = TestPdfs::pages(2);
    // A renderer of its own each time, so that the document is judged afresh.
    const qint64 stall = longestStallOf([&] {
        CapturedLog log;
        DocumentRenderer renderer(TestRenderer::executable(), log.channel(), testLimits());
        const auto document = shown(renderer, hostile.bytes);
        const QStringList errors = log.lines().filter(QStringLiteral("Error showing PDF: "));
        if (!hostile.showable) {
            EXPECT_EQ(document->state(), ShownDocument::State::Failed);
            EXPECT_FALSE(document->failure().words().isEmpty());
            ASSERT_EQ(errors.size(), 1);
            EXPECT_TRUE(errors.at(0).startsWith(QStringLiteral("Error showing PDF: test.pdf: ")));
        } else {
            ASSERT_EQ(document->state(), ShownDocument::State::Ready);
            const QSizeF points = document->pageSizes().at(0);
            // At 800 pixels wide a page 1,440 times taller than wide would take 921
            // megapixels: it is drawn scaled down to the bound, its shape kept.
            const QSize asked(800, int(800 * points.height() / points.width()));
            const QImage drawn = image(*document, 0, asked);
            ASSERT_FALSE(drawn.isNull());
            EXPECT_LE(qint64(drawn.width()) * drawn.height(), renderer.limits().maximumPixels);
            EXPECT_NEAR(double(drawn.height()) / drawn.width(), points.height() / points.width(),
                        points.height() / points.width() * 0.02);
            EXPECT_LE(document->pageSizes().size(), size_t(renderer.limits().maximumPages));
            EXPECT_TRUE(errors.isEmpty());
        }
        const auto next = shown(renderer, ordinary);
        ASSERT_EQ(next->state(), ShownDocument::State::Ready);
        EXPECT_EQ(image(*next, 1, QSize(200, 283)).size(), QSize(200, 283));
    });
    EXPECT_LE(stall, 100);
}

INSTANTIATE_TEST_SUITE_P(Kinds, HostileDocument, ::testing::ValuesIn(TestPdfs::hostile()),
                         [](const auto& tested) { return std::string(tested.param.name); });

TEST_F(DocumentRendererTest, AMillionPagesAreCountedAndOnlyTheFirstOnesLaidOut) {
    const auto document = shown(TestPdfs::millionSharedPages());
    ASSERT_EQ(document->state(), ShownDocument::State::Ready);
    EXPECT_EQ(document->pageCount(), 1'000'000);
    EXPECT_EQ(document->pageSizes().size(), 2000u);
}

TEST_F(DocumentRendererTest, ARendererKilledMidPageIsStartedAgainAndThePageArrives) {
    const auto document = shown(TestPdfs::pages(3));
    ASSERT_EQ(document->state(), ShownDocument::State::Ready);
    const qint64 first = m_renderer.processId();
    // Below the window's threads, so that a page drawn forever never takes their core.
    EXPECT_EQ(::getpriority(PRIO_PROCESS, id_t(first)), 10);
    // Stopped first: the request reaches the renderer at once, and a small page could
    // otherwise be drawn and sent before the kill lands.
    ASSERT_EQ(::kill(pid_t(first), SIGSTOP), 0);
    std::optional<QImage> got;
    document->requestImage(2, QSize(300, 424), QRect(0, 0, 300, 424),
                           [&got](const QImage& image) { got = image; });
    ASSERT_EQ(::kill(pid_t(first), SIGKILL), 0);
    ASSERT_TRUE(waitSleeping([&] { return got.has_value(); }, 15000));
    EXPECT_NEAR(drawnShare(*got, 5), 0.3, 0.02);
    EXPECT_NE(m_renderer.processId(), first);
    EXPECT_EQ(document->state(), ShownDocument::State::Ready);
    EXPECT_TRUE(errorLines().isEmpty());
}

TEST_F(DocumentRendererTest, AVerdictIsRememberedByTheBytesAndSaidOnce) {
    const QByteArray hanging = TestPdfs::selfReferencingPageTree();
    const auto first = shown(hanging);
    ASSERT_EQ(first->state(), ShownDocument::State::Failed);
    EXPECT_EQ(first->failure().kind, Kind::LoadTimeout);
    // The renderer that hung was stopped and nothing else is asked of one.
    ASSERT_TRUE(waitSleeping([this] { return m_renderer.processId() == 0; }));
    const auto again = shown(hanging);
    EXPECT_EQ(again->state(), ShownDocument::State::Failed);
    EXPECT_EQ(again->failure().kind, Kind::LoadTimeout);
    EXPECT_EQ(m_renderer.processId(), 0);
    EXPECT_EQ(errorLines().size(), 1);
}

TEST_F(DocumentRendererTest, TheRendererCannotOpenFilesMakeSocketsOrStartProcesses) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("store.sqlite"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("private");
    file.close();
    struct Case {
        Probe probe;
        QByteArray argument;
        int error;
    };
    const Case cases[] = {
        {Probe::OpenFile, QFile::encodeName(path), EPERM},
        {Probe::OpenFile, "/etc/passwd", EPERM},
        {Probe::CreateSocket, {}, EPERM},
        {Probe::StartProcess, {}, EPERM},
        // What is allowed still works, so the refusals above are the filter's.
        {Probe::Grow, QByteArray::number(1 << 20), 0},
    };
    for (const Case& c : cases) {
        std::optional<ProbeAnswer> answer;
        m_renderer.probe(c.probe, c.argument, &m_renderer,
                         [&answer](const ProbeAnswer& given) { answer = given; });
        ASSERT_TRUE(waitSleeping([&] { return answer.has_value(); }, 15000)) << int(c.probe);
        EXPECT_EQ(answer->error, c.error) << int(c.probe) << " " << answer->detail.toStdString();
    }
}

class BoundedRenderer : public DocumentRendererTest {
protected:
    static DocumentRenderer::Limits bounded() {
        DocumentRenderer::Limits limits = testLimits();
        limits.pageTimeoutMs = 60'000;
        limits.memoryBytes = qint64(400) << 20;
        limits.processorSeconds = 120;
        return limits;
    }
    BoundedRenderer()
        : DocumentRendererTest(bounded()) {}
};

TEST_F(BoundedRenderer, ARendererGrowingPastItsMemoryBoundIsStopped) {
    std::optional<DocumentFailure> stopped;
    bool grew = false;
    m_renderer.probe(
        Probe::Grow, QByteArray::number(qint64(1) << 30), &m_renderer,
        [&grew](const ProbeAnswer&) { grew = true; },
        [&stopped](const DocumentFailure& failure) { stopped = failure; });
    ASSERT_TRUE(waitSleeping([&] { return grew || stopped.has_value(); }, 30000));
    EXPECT_FALSE(grew);
    ASSERT_TRUE(stopped.has_value());
    EXPECT_EQ(stopped->kind, Kind::Memory);
}

// The address-space bound is set only where it can hold: a sanitised renderer reserves
// terabytes of address space for its shadow memory and would not start under it, so there the
// resident-memory watch above is the bound.
TEST_F(BoundedRenderer, TheKernelBoundsAreSetBeforeTheRendererRuns) {
    const auto document = shown(TestPdfs::pages(1));
    ASSERT_EQ(document->state(), ShownDocument::State::Ready);
    QFile limits(QStringLiteral("/proc/%1/limits").arg(m_renderer.processId()));
    ASSERT_TRUE(limits.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(limits.readAll());
    const auto row = [&text](const char* name) {
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String(name))) {
                return line.mid(26).simplified().section(QLatin1Char(' '), 0, 1);
            }
        }
        return QString();
    };
    EXPECT_EQ(row("Max cpu time"), QStringLiteral("120 130"));
    EXPECT_EQ(row("Max core file size"), QStringLiteral("0 0"));
    EXPECT_EQ(row("Max file size"), QStringLiteral("0 0"));
    const QString bound = QString::number(qint64(400) << 20);
    EXPECT_EQ(row("Max address space"), RendererProcess::addressSpaceBounded()
                                            ? bound + QLatin1Char(' ') + bound
                                            : QStringLiteral("unlimited unlimited"));
    // The area for page images is mapped, and no descriptor is left by which it could be
    // resized or handed on.
    const QString process = QStringLiteral("/proc/%1/").arg(m_renderer.processId());
    QFile maps(process + QStringLiteral("maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    EXPECT_TRUE(maps.readAll().contains("/memfd:quintaver-page-images"));
    for (const QFileInfo& fd :
         QDir(process + QStringLiteral("fd"))
             .entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        EXPECT_FALSE(fd.symLinkTarget().contains(QStringLiteral("quintaver-page-images")))
            << fd.fileName().toStdString();
    }
}

TEST_F(DocumentRendererTest, ADocumentLeftWhileItHangsDoesNotHoldUpTheNextOne) {
    DocumentRenderer::Limits patient = testLimits();
    patient.loadTimeoutMs = 120'000;
    DocumentRenderer renderer(TestRenderer::executable(), m_log.channel(), patient);
    auto hanging = renderer.show(TestPdfs::selfReferencingPageTree(), QStringLiteral("a.pdf"));
    ASSERT_TRUE(waitSleeping([&] { return renderer.processId() != 0; }));
    hanging.reset();
    // Far within the two minutes a wait behind the hanging document would take.
    auto next = renderer.show(TestPdfs::pages(1), QStringLiteral("b.pdf"));
    ASSERT_TRUE(waitSleeping([&] { return next->state() == ShownDocument::State::Ready; }, 15000));
    EXPECT_TRUE(errorLines().isEmpty());
}

TEST_F(DocumentRendererTest, ARendererWithNothingToShowStopsAndStartsAgainWhenAsked) {
    DocumentRenderer::Limits brief = testLimits();
    brief.idleStopMs = 200;
    DocumentRenderer renderer(TestRenderer::executable(), m_log.channel(), brief);
    auto document = shown(renderer, TestPdfs::pages(1));
    ASSERT_EQ(document->state(), ShownDocument::State::Ready);
    const qint64 first = renderer.processId();
    EXPECT_NE(first, 0);
    waitPast(brief.idleStopMs);
    EXPECT_EQ(renderer.processId(), first); // kept while a document is shown
    document.reset();
    ASSERT_TRUE(waitSleeping([&] { return renderer.processId() == 0; }));
    document = shown(renderer, TestPdfs::pages(2));
    EXPECT_EQ(document->pageCount(), 2);
}

TEST_F(DocumentRendererTest, ARendererThatCannotStartIsSaidAndEveryDocumentToldSo) {
    DocumentRenderer missing(QStringLiteral("/nonexistent/quintaver-pdf-renderer"), m_log.channel(),
                             testLimits());
    auto document = missing.show(TestPdfs::pages(1), QStringLiteral("a.pdf"));
    ASSERT_TRUE(waitSleeping([&] { return document->state() == ShownDocument::State::Failed; }));
    EXPECT_EQ(document->failure().kind, Kind::Unavailable);
    ASSERT_EQ(errorLines().size(), 1);
}

} // namespace
