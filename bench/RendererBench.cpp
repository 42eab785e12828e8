// The document renderer's figures: the first page of a document in the pane against Qt PDF
// drawing it in this process, the event loop while a document that never loads is chosen and
// left, the renderer's memory while idle, and this process's memory around each hostile
// document.

#include "Harness.h"
#include "PolicyScreens.h"
#include "documents/DocumentRenderer.h"
#include "model/Policy.h"
#include "policies/DocumentPreview.h"
#include "policies/PDFViewer.h"
#include "policies/PolicyDetailView.h"
#include "store/ManagedObjectContext.h"
#include "support/TestPdfs.h"
#include "ui/PdfPageView.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTimer>

#include <ctime>
#include <malloc.h>
#include <random>
#include <utility>

namespace {

constexpr QSize kPaneSize(900, 1400);

// Twenty pages of text, each with a photograph-like picture: about 2 MB.
QByteArray twentyPages() {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    QPainter painter(&writer);
    std::mt19937 random(3);
    for (int page = 0; page < 20; ++page) {
        if (page > 0) {
            writer.newPage();
        }
        QImage picture(330, 330, QImage::Format_RGB888);
        for (int y = 0; y < picture.height(); ++y) {
            uchar* line = picture.scanLine(y);
            for (int x = 0; x < picture.width() * 3; ++x) {
                line[x] = uchar(random());
            }
        }
        painter.drawImage(QRect(600, 600, 4000, 4000), picture);
        for (int line = 0; line < 30; ++line) {
            painter.drawText(600, 5200 + line * 300,
                             QStringLiteral("Art. %1 — Condizioni generali di assicurazione.")
                                 .arg(page * 30 + line + 1));
        }
    }
    painter.end();
    return bytes;
}

// Runs the event loop, sleeping between events, until the condition holds or ten seconds
// have passed: a loop that spun would count its own turns as the program's work.
bool runUntil(const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition() || clock.elapsed() > 10000) {
            loop.quit();
        }
    });
    check.start(1);
    if (!condition()) {
        loop.exec();
    }
    return condition();
}

// This process's resident memory once the allocator has given back what it keeps free.
qint64 liveResidentBytes() {
    malloc_trim(0);
    return Bench::residentBytes();
}

// Policies with documents in a store file, as the program has them (an in-memory store would
// be read on the screens' thread), and the panes and viewers that show them.
struct RendererWorld : PolicyScreens {
    explicit RendererWorld(DocumentRenderer& renderer)
        : renderer(&renderer)
        , onDisk(files.filePath(QStringLiteral("QuintaverModel.sqlite")), clock, log) {}

    std::shared_ptr<Policy> policyWith(const QByteArray& bytes) {
        ManagedObjectContext& context = onDisk.container().viewContext();
        auto policy = context.insert<Policy>();
        policy->setName(QStringLiteral("Casa"));
        policy->setPolicyNumber(QStringLiteral("C-1"));
        policy->setProvider(QStringLiteral("Generali"));
        policy->setExpirationDate(PolicyWorld::kNow);
        policy->setPdfData(bytes);
        policy->setPdfFileName(QStringLiteral("Polizza.pdf"));
        context.save();
        return policy;
    }
    std::unique_ptr<PolicyDetailView> pane(const std::shared_ptr<Policy>& policy) {
        const PolicyDetailView::Services shared = screens.pane(context());
        auto shown = std::make_unique<PolicyDetailView>(
            PolicyDetailView::Services{.context = shared.context,
                                       .reminders = shared.reminders,
                                       .clock = shared.clock,
                                       .log = shared.log,
                                       .desktop = shared.desktop,
                                       .confirmation = shared.confirmation,
                                       .exporter = shared.exporter,
                                       .documents = *renderer,
                                       .openContactEditor = {}},
            policy, [] {});
        shown->resize(kPaneSize);
        shown->show();
        return shown;
    }
    static PdfPageView* pagesOf(const PolicyDetailView& pane) {
        return pane.findChild<DocumentPreview*>()->pageView();
    }
    static bool settled(const PdfPageView* pages) {
        return pages && (!pages->pagesDrawn().empty() ||
                         pages->findChild<QWidget*>(QStringLiteral("unshowableDocument")));
    }

    DocumentRenderer* renderer;
    QTemporaryDir files;
    PersistenceController onDisk;
};

// From the policy chosen to its pane painted with the first page, against the same span as
// the program had it with Qt PDF drawing in its own process: the pane built, shown and painted,
// the document read as the pane reads it, Qt PDF opening it and drawing the first page, and the
// page painted. Qt PDF's opening and drawing alone are printed beside them.
void firstPage(RendererWorld& world) {
    const QByteArray bytes = twentyPages();
    const auto policy = world.policyWith(bytes);
    const auto bare = world.policyWith({});
    bare->setPdfData(std::nullopt);
    bare->setPdfFileName(std::nullopt);
    world.onDisk.container().viewContext().save();
    QSize pageSize;
    const auto throughRenderer = [&] {
        const auto pane = world.pane(policy);
        PdfPageView* pages = RendererWorld::pagesOf(*pane);
        // The page has come; the turn that follows paints it.
        runUntil([pages] { return !pages->pagesDrawn().empty(); });
        QApplication::sendPostedEvents();
        QApplication::processEvents();
        pageSize = pages->pageFrame(0).size() * pages->devicePixelRatioF();
    };
    throughRenderer(); // the renderer started, and the size known
    const auto drawInProcess = [&](const QByteArray& document) {
        QByteArray copy = document;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        QPdfDocument pdf;
        pdf.load(&buffer);
        return pdf.render(0, pageSize);
    };
    const auto inProcess = [&] { Bench::doNotOptimize(drawInProcess(bytes)); };
    const auto inProcessPane = [&] {
        const auto pane = world.pane(bare);
        std::shared_ptr<const QByteArray> read;
        policy->pdfDocumentLater(pane.get(), [&read](std::shared_ptr<const QByteArray> document) {
            read = std::move(document);
        });
        runUntil([&read] { return read != nullptr; });
        const QImage page = drawInProcess(*read);
        QImage shown(pane->size(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&shown);
        painter.drawImage(QRect(QPoint(PdfPageView::kMargin, PdfPageView::kMargin), pageSize),
                          page);
    };
    const std::vector<double> medians =
        Bench::medianSeconds({throughRenderer, inProcessPane, inProcess}, 15);
    Bench::report(QStringLiteral("renderer: first page of a 20-page %1 MB PDF in the pane (ms)")
                      .arg(double(bytes.size()) / 1e6, 0, 'f', 1),
                  QString::number(medians[0] * 1e3, 'f', 1), QStringLiteral("printed"));
    Bench::report(QStringLiteral("renderer: the same span with Qt PDF drawing in the program (ms)"),
                  QString::number(medians[1] * 1e3, 'f', 1), QStringLiteral("printed"));
    Bench::report(QStringLiteral("renderer: first page in the pane vs the same with Qt PDF in the "
                                 "program"),
                  QString::number(medians[0] / medians[1], 'f', 2), QStringLiteral("at most 1.5"));
    Bench::report(QStringLiteral("renderer: Qt PDF opening and drawing that page alone (ms)"),
                  QString::number(medians[2] * 1e3, 'f', 1), QStringLiteral("printed"));
    Bench::report(QStringLiteral("renderer: first page in the pane vs Qt PDF's opening and "
                                 "drawing alone"),
                  QString::number(medians[0] / medians[2], 'f', 2), QStringLiteral("printed"));
}

// A document that never loads chosen, shown as unshowable and left: the longest time the event
// loop went without turning, and the most work one turn did on this thread.
void neverLoads(RendererWorld& world) {
    const auto policy = world.policyWith(TestPdfs::selfReferencingPageTree());
    double worstWall = 0;
    double worstWork = 0;
    for (int round = 0; round < 3; ++round) {
        // A renderer of its own each time, so that the document is judged afresh.
        DocumentRenderer fresh(QStringLiteral(QS_PDF_RENDERER), world.log,
                               world.renderer->limits());
        DocumentRenderer* kept = std::exchange(world.renderer, &fresh);
        const Bench::StallWatch stalls;
        {
            const auto pane = world.pane(policy);
            runUntil([&] { return RendererWorld::settled(RendererWorld::pagesOf(*pane)); });
        }
        Bench::idle(200);
        world.renderer = kept;
        worstWall = std::max(worstWall, stalls.longestMs());
        worstWork = std::max(worstWork, stalls.mostWorkMs());
    }
    Bench::report(QStringLiteral("renderer: longest stall while a document that never loads is "
                                 "chosen, refused and left (ms)"),
                  QString::number(worstWall, 'f', 1), QStringLiteral("at most 16"));
    Bench::report(QStringLiteral("renderer: the same, the most work of one turn (ms)"),
                  QString::number(worstWork, 'f', 1), QStringLiteral("at most 16"));
}

void idleMemory(RendererWorld& world) {
    const auto policy = world.policyWith(TestPdfs::pages(2));
    {
        const auto pane = world.pane(policy);
        runUntil([&] { return RendererWorld::settled(RendererWorld::pagesOf(*pane)); });
    }
    Bench::idle(500);
    Bench::report(
        QStringLiteral("renderer: its resident memory while idle (MB)"),
        QString::number(double(Bench::residentKb(world.renderer->processId())) / 1024, 'f', 1),
        QStringLiteral("printed"));
}

// This process's resident memory before a hostile document is shown in the pane and the
// viewer, and after both are left.
void hostileMemory(RendererWorld& world) {
    const auto show = [&world](const QByteArray& bytes) {
        const auto pane = world.pane(world.policyWith(bytes));
        PDFViewer viewer(bytes, QStringLiteral("Polizza.pdf"),
                         {.desktop = world.screens.desktop,
                          .log = world.log,
                          .exporter = PDFShareExport(QString(), QString()),
                          .documents = *world.renderer});
        viewer.show();
        runUntil([&] {
            return RendererWorld::settled(RendererWorld::pagesOf(*pane)) &&
                   RendererWorld::settled(viewer.pageView());
        });
    };
    show(TestPdfs::jpegNamedPdf()); // the first screens set up fonts and styles
    for (const TestPdfs::Hostile& hostile : TestPdfs::hostile()) {
        Bench::idle(100);
        const qint64 before = liveResidentBytes();
        show(hostile.bytes);
        Bench::idle(300);
        const qint64 after = liveResidentBytes();
        Bench::report(QStringLiteral("renderer: program memory after %1 (MB more)")
                          .arg(QLatin1String(hostile.name)),
                      QString::number(double(after - before) / 1e6, 'f', 1),
                      QStringLiteral("at most 5"));
    }
}

void rendererBench() {
    // Watchdogs of a second, so that the documents that hang are judged quickly: the figures
    // are about the program, not the watchdogs.
    DocumentRenderer::Limits limits;
    limits.loadTimeoutMs = 1000;
    limits.pageTimeoutMs = 1000;
    PolicyWorld::InMemory unused(0);
    DocumentRenderer renderer(QStringLiteral(QS_PDF_RENDERER), unused.log, limits);
    RendererWorld world(renderer);
    firstPage(world);
    neverLoads(world);
    idleMemory(world);
    hostileMemory(world);
}

} // namespace

QS_BENCH_GROUP("renderer", rendererBench);
