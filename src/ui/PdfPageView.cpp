#include "ui/PdfPageView.h"

#include "documents/ShownDocument.h"
#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QAccessible>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cmath>

namespace {

// A page image up to this many pixels is asked for whole; a taller page in bands.
constexpr qint64 kWholePagePixels = 8'000'000;
constexpr qint64 kBandPixels = 4'000'000;
constexpr int kShortestBand = 256;
// No frame is taller than this, so a thousand of the tallest still fit a scroll bar's range.
constexpr double kTallestPage = 1'000'000;

} // namespace

PdfPageView::PdfPageView(QWidget* parent)
    : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("pdfPageView"));
    setAccessibleName(QStringLiteral("Documento allegato"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Always there, so the pages' width never depends on whether they overflow.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setSingleStep(40);
    m_requestTimer.setSingleShot(true);
    connect(&m_requestTimer, &QTimer::timeout, this, &PdfPageView::requestVisible);
}

PdfPageView::~PdfPageView() {
    clear();
}

void PdfPageView::setDocument(std::shared_ptr<ShownDocument> document) {
    clear();
    if (m_document) {
        disconnect(m_document.get(), nullptr, this, nullptr);
    }
    delete m_unshowable;
    m_unshowable = nullptr;
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setAccessibleDescription(QString());
    m_document = std::move(document);
    m_frames.clear();
    if (m_document) {
        connect(m_document.get(), &ShownDocument::ready, this, &PdfPageView::documentReady);
        connect(m_document.get(), &ShownDocument::failed, this, &PdfPageView::documentFailed);
    }
    updateAccessibleName();
    layOut();
    if (m_document && m_document->state() == ShownDocument::State::Ready) {
        documentReady();
    } else if (m_document && m_document->state() == ShownDocument::State::Failed) {
        documentFailed();
    }
}

void PdfPageView::setPageLimit(int pages) {
    m_pageLimit = std::max(1, pages);
    layOut();
}

void PdfPageView::setMaximumPixels(qint64 pixels) {
    m_maximumPixels = std::max<qint64>(1, pixels);
    layOut();
}

int PdfPageView::pagesNotLaidOut() const {
    return m_document && m_document->state() == ShownDocument::State::Ready
               ? m_document->pageCount() - pagesLaidOut()
               : 0;
}

QRect PdfPageView::pageFrame(int page) const {
    return page >= 0 && page < pagesLaidOut()
               ? m_frames[size_t(page)].translated(0, -verticalScrollBar()->value())
               : QRect();
}

std::vector<int> PdfPageView::pagesDrawn() const {
    std::vector<int> pages;
    for (auto cached = m_cache.cbegin(); cached != m_cache.cend(); ++cached) {
        const Key& key = cached.key();
        if (key.page < pagesLaidOut() && key.width == devicePageSize(key.page).width() &&
            std::find(pages.begin(), pages.end(), key.page) == pages.end()) {
            pages.push_back(key.page);
        }
    }
    std::sort(pages.begin(), pages.end());
    return pages;
}

void PdfPageView::documentReady() {
    layOut();
    updateAccessibleName();
    Q_EMIT laidOut();
    // Shown at its size already: the first pages are asked for now, not after the frames are
    // painted empty.
    if (isVisible()) {
        requestVisible();
    } else {
        scheduleRequests(0);
    }
}

void PdfPageView::documentFailed() {
    clear();
    m_frames.clear();
    layOut();
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QString reason = m_document->failure().words();
    m_unshowable = buildUnshowable(reason);
    m_unshowable->setGeometry(rect());
    m_unshowable->show();
    const QString said = QStringLiteral("Impossibile mostrare questo documento: ") + reason;
    m_unshowable->setAccessibleName(said);
    setAccessibleDescription(said);
    // Said as it happens, not only when someone comes to the frame.
    QAccessibleEvent alert(m_unshowable, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
    Q_EMIT failed();
}

QWidget* PdfPageView::buildUnshowable(const QString& reason) {
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("unshowableDocument"));
    auto* stack = new QVBoxLayout(panel);
    stack->setContentsMargins(24, 24, 24, 24);
    stack->setSpacing(10);
    const QColor secondary = Palette::color(ColorName::Secondary, palette());
    auto* icon = new QLabel(panel);
    icon->setPixmap(Icons::pixmap(u"exclamationmark.triangle", 40,
                                  Palette::withOpacity(secondary, 0.6), devicePixelRatioF()));
    const auto text = [panel](const QString& shown, const QString& name, TextStyle style,
                              ColorName color) {
        auto* label = new TextLabel(shown, style, color, panel);
        label->setObjectName(name);
        label->setAccessibleName(shown);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        return label;
    };
    auto* open = new QPushButton(QStringLiteral("Apri con il visualizzatore di sistema"), panel);
    open->setObjectName(QStringLiteral("openElsewhereButton"));
    open->setAccessibleName(open->text());
    open->setAutoDefault(false);
    open->setIcon(Icons::icon(u"square.and.arrow.up", palette().color(QPalette::ButtonText)));
    connect(open, &QPushButton::clicked, this, &PdfPageView::openElsewhereRequested);
    stack->addStretch();
    stack->addWidget(icon, 0, Qt::AlignHCenter);
    stack->addWidget(text(QStringLiteral("Impossibile mostrare questo documento"),
                          QStringLiteral("unshowableTitle"), TextStyle::Headline,
                          ColorName::Primary));
    stack->addWidget(text(reason, QStringLiteral("unshowableReason"), TextStyle::Subheadline,
                          ColorName::Secondary));
    stack->addSpacing(6);
    stack->addWidget(open, 0, Qt::AlignHCenter);
    stack->addStretch();
    return panel;
}

void PdfPageView::updateAccessibleName() {
    if (!m_document) {
        setAccessibleName(QStringLiteral("Documento allegato"));
    } else if (m_document->state() == ShownDocument::State::Ready) {
        setAccessibleName(QStringLiteral("Documento allegato: %1, %2 pagine")
                              .arg(m_document->name())
                              .arg(m_document->pageCount()));
    } else {
        setAccessibleName(QStringLiteral("Documento allegato: ") + m_document->name());
    }
}

void PdfPageView::layOut() {
    const double shownBefore =
        m_contentHeight > 0 ? double(verticalScrollBar()->value()) / m_contentHeight : 0;
    m_frames.clear();
    m_contentHeight = 0;
    if (m_document && m_document->state() == ShownDocument::State::Ready) {
        const int width = std::max(1, viewport()->width() - 2 * kMargin);
        const double ratio = devicePixelRatioF();
        const std::vector<QSizeF>& sizes = m_document->pageSizes();
        const size_t count = std::min(sizes.size(), size_t(m_pageLimit));
        int y = kMargin;
        for (size_t page = 0; page < count; ++page) {
            const QSizeF points = sizes[page].isEmpty() ? QSizeF(612, 792) : sizes[page];
            double w = width;
            double h = width * points.height() / points.width();
            // Shown smaller rather than asking for an image beyond the pixel bound.
            const double pixels = w * h * ratio * ratio;
            if (pixels > double(m_maximumPixels)) {
                const double scale = std::sqrt(double(m_maximumPixels) / pixels);
                w *= scale;
                h *= scale;
            }
            const int shownWidth = std::max(1, int(w));
            const int shownHeight = std::max(1, int(std::min(h, kTallestPage)));
            m_frames.emplace_back(kMargin + (width - shownWidth) / 2, y, shownWidth, shownHeight);
            y += shownHeight + kGap;
        }
        m_contentHeight = count > 0 ? y - kGap + kMargin : 0;
    }
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(viewport()->height());
    bar->setRange(0, std::max(0, m_contentHeight - viewport()->height()));
    bar->setValue(int(shownBefore * m_contentHeight));
    viewport()->update();
}

QSize PdfPageView::devicePageSize(int page) const {
    const QRect frame = m_frames[size_t(page)];
    const double ratio = devicePixelRatioF();
    return QSize(std::max(1, qRound(frame.width() * ratio)),
                 std::max(1, qRound(frame.height() * ratio)));
}

int PdfPageView::bandHeight(QSize devicePage) const {
    if (qint64(devicePage.width()) * devicePage.height() <= kWholePagePixels) {
        return devicePage.height();
    }
    return std::max<int>(kShortestBand, int(kBandPixels / devicePage.width()));
}

std::pair<int, int> PdfPageView::pagesBetween(int top, int bottom) const {
    const auto first =
        std::lower_bound(m_frames.begin(), m_frames.end(), top,
                         [](const QRect& frame, int y) { return frame.bottom() < y; });
    const auto last = std::lower_bound(first, m_frames.end(), bottom,
                                       [](const QRect& frame, int y) { return frame.top() < y; });
    return {int(first - m_frames.begin()), int(last - m_frames.begin())};
}

bool PdfPageView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Paint) {
        paintPages();
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void PdfPageView::paintPages() {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Window));
    painter.fillRect(viewport()->rect(), Palette::gray(0.12, palette()));
    const int offset = verticalScrollBar()->value();
    const double ratio = devicePixelRatioF();
    const auto [first, last] = pagesBetween(offset, offset + viewport()->height());
    bool missing = false;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int page = first; page < last; ++page) {
        const QRect frame = m_frames[size_t(page)].translated(0, -offset);
        painter.fillRect(frame, Qt::white);
        const QSize device = devicePageSize(page);
        const int band = bandHeight(device);
        const int bands = (device.height() + band - 1) / band;
        for (int b = 0; b < bands; ++b) {
            const QRectF target(frame.x(), frame.y() + b * band / ratio, frame.width(),
                                std::min(band, device.height() - b * band) / ratio);
            if (target.bottom() < 0 || target.top() > viewport()->height()) {
                continue;
            }
            const auto cached = m_cache.find(Key{page, device.width(), b});
            if (cached != m_cache.end()) {
                cached->used = ++m_use;
                painter.drawImage(target, cached->image);
                continue;
            }
            missing = true;
            // Until the page comes at this width, one drawn at another width stands in.
            for (auto other = m_cache.cbegin(); bands == 1 && other != m_cache.cend(); ++other) {
                const QImage& image = other->image;
                const double shape = double(image.height()) / image.width();
                if (other.key().page == page &&
                    std::abs(shape - double(frame.height()) / frame.width()) < 0.02 * shape) {
                    painter.drawImage(QRectF(frame), image);
                    break;
                }
            }
        }
        painter.setPen(Palette::withOpacity(Palette::color(ColorName::Secondary, palette()), 0.3));
        painter.drawRect(frame.adjusted(0, 0, -1, -1));
    }
    if (missing && !m_requestTimer.isActive()) {
        scheduleRequests(0);
    }
}

void PdfPageView::scheduleRequests(int delayMs) {
    if (!m_requestTimer.isActive() || delayMs > 0) {
        m_requestTimer.start(delayMs);
    }
}

void PdfPageView::requestVisible() {
    if (!m_document || m_document->state() != ShownDocument::State::Ready || m_frames.empty()) {
        return;
    }
    // What is on screen first, then the next screenful, so scrolling on finds it ready.
    const int top = verticalScrollBar()->value();
    const int bottom = top + 2 * viewport()->height();
    const double ratio = devicePixelRatioF();
    QHash<Key, bool> wanted;
    const auto [first, last] = pagesBetween(top, bottom);
    for (int page = first; page < last; ++page) {
        const QRect frame = m_frames[size_t(page)];
        const QSize device = devicePageSize(page);
        const int band = bandHeight(device);
        const int bands = (device.height() + band - 1) / band;
        for (int b = 0; b < bands; ++b) {
            const double bandTop = frame.y() + b * band / ratio;
            const double bandBottom = bandTop + band / ratio;
            if (bandBottom < top || bandTop > bottom) {
                continue;
            }
            const Key key{page, device.width(), b};
            wanted.insert(key, true);
            if (m_cache.contains(key) || m_pending.contains(key)) {
                continue;
            }
            const QRect region(0, b * band, device.width(),
                               std::min(band, device.height() - b * band));
            const quint32 ticket = m_document->requestImage(
                page, device, region, [this, key](const QImage& image) { received(key, image); });
            if (ticket != 0) {
                m_pending.insert(key, ticket);
            }
        }
    }
    // What scrolled away, or was asked at another width, is no longer needed.
    m_pending.removeIf([this, &wanted](const std::pair<const Key&, quint32&>& pending) {
        if (wanted.contains(pending.first)) {
            return false;
        }
        m_document->cancel(pending.second);
        return true;
    });
}

void PdfPageView::received(const Key& key, const QImage& image) {
    m_pending.remove(key);
    m_cache.insert(key, {image, ++m_use});
    m_cachedBytes += image.sizeInBytes();
    evict();
    viewport()->update();
}

void PdfPageView::evict() {
    if (m_cachedBytes <= m_budget) {
        return;
    }
    // The least recently drawn first; never what is on screen at the width shown.
    const int top = verticalScrollBar()->value();
    const auto [first, last] = pagesBetween(top, top + viewport()->height());
    std::vector<std::pair<quint64, Key>> order;
    for (auto cached = m_cache.cbegin(); cached != m_cache.cend(); ++cached) {
        const Key& key = cached.key();
        const bool onScreen = key.page >= first && key.page < last && key.page < pagesLaidOut() &&
                              key.width == devicePageSize(key.page).width();
        if (!onScreen) {
            order.emplace_back(cached->used, key);
        }
    }
    std::sort(order.begin(), order.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [used, key] : order) {
        if (m_cachedBytes <= m_budget) {
            break;
        }
        m_cachedBytes -= m_cache.value(key).image.sizeInBytes();
        m_cache.remove(key);
    }
}

void PdfPageView::clear() {
    if (m_document) {
        for (quint32 ticket : std::as_const(m_pending)) {
            m_document->cancel(ticket);
        }
    }
    m_pending.clear();
    m_cache.clear();
    m_cachedBytes = 0;
    m_requestTimer.stop();
}

void PdfPageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (m_unshowable) {
        m_unshowable->setGeometry(rect());
    }
    layOut();
    // A window being resized asks once it rests, not at every step.
    scheduleRequests(100);
}

void PdfPageView::scrollContentsBy(int, int) {
    viewport()->update();
    scheduleRequests(0);
}

void PdfPageView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        viewport()->update();
    }
}
