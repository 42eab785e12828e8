#pragma once

#include <QAbstractScrollArea>
#include <QHash>
#include <QImage>
#include <QTimer>

#include <memory>
#include <vector>

class ShownDocument;

// A document's pages one under another, each fitted to the view's width, drawn by the document
// renderer. The pages' frames are laid out from their sizes alone; only the pages on screen
// (and the next screenful) are asked for, at the width shown, and their images are kept
// within a memory budget. A page far taller than wide is drawn in bands, and one whose image
// would pass the renderer's pixel bound is shown smaller, so no image is ever that large.
//
// Nothing here waits for the renderer: the frames show at once and the pages as they arrive.
// A document that cannot be shown says so, with the reason, and offers to open it with the
// desktop's own viewer (openElsewhereRequested()).
class PdfPageView final : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kMargin = 12;
    static constexpr int kGap = 12;

    explicit PdfPageView(QWidget* parent = nullptr);
    ~PdfPageView() override;

    // The document to show (its name is only for the accessible name), or none.
    void setDocument(std::shared_ptr<ShownDocument> document);
    const std::shared_ptr<ShownDocument>& document() const { return m_document; }
    // Lays out at most this many pages (the renderer itself tells the sizes of only so many).
    void setPageLimit(int pages);
    // The bound on the pixels of any page image, as the renderer keeps it.
    void setMaximumPixels(qint64 pixels);
    void setImageBudget(qint64 bytes) { m_budget = bytes; }

    // The pages laid out, and those of the document beyond them; 0 before the document is
    // read.
    int pagesLaidOut() const { return int(m_frames.size()); }
    int pagesNotLaidOut() const;
    // Where page `page` is, in the viewport, as now scrolled.
    QRect pageFrame(int page) const;
    // The pages with an image at the width shown, and the bytes the images take.
    std::vector<int> pagesDrawn() const;
    qint64 cachedBytes() const { return m_cachedBytes; }
    // Whether every image asked of the renderer has come and no request waits to be made.
    bool isSettled() const { return m_pending.isEmpty() && !m_requestTimer.isActive(); }

Q_SIGNALS:
    // The pages are laid out (pagesLaidOut() is known), or the document cannot be shown.
    void laidOut();
    void failed();
    void openElsewhereRequested();

protected:
    bool viewportEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;

private:
    // One image: a band of a page drawn `width` device pixels wide.
    struct Key {
        int page = 0;
        int width = 0;
        int band = 0;
        bool operator==(const Key&) const = default;
    };
    friend size_t qHash(const Key& key, size_t seed) {
        return qHashMulti(seed, key.page, key.width, key.band);
    }
    struct Cached {
        QImage image;
        quint64 used = 0;
    };

    void documentReady();
    void documentFailed();
    QWidget* buildUnshowable(const QString& reason);
    void layOut();
    void paintPages();
    // The page's size in device pixels as shown, and its bands' height.
    QSize devicePageSize(int page) const;
    int bandHeight(QSize devicePage) const;
    // The range of laid-out pages that meet the content rows [top, bottom).
    std::pair<int, int> pagesBetween(int top, int bottom) const;
    void scheduleRequests(int delayMs);
    void requestVisible();
    void received(const Key& key, const QImage& image);
    void evict();
    void clear();
    void updateAccessibleName();

    std::shared_ptr<ShownDocument> m_document;
    int m_pageLimit = 1'000'000;
    qint64 m_maximumPixels = 40'000'000;
    qint64 m_budget = qint64(128) << 20;
    std::vector<QRect> m_frames; // in content coordinates
    int m_contentHeight = 0;
    QHash<Key, Cached> m_cache;
    qint64 m_cachedBytes = 0;
    quint64 m_use = 0;
    QHash<Key, quint32> m_pending; // tickets
    QTimer m_requestTimer;
    QWidget* m_unshowable = nullptr;
};
