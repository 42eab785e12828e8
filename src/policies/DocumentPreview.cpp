#include "policies/DocumentPreview.h"

#include "documents/DocumentRenderer.h"
#include "documents/ShownDocument.h"
#include "model/Policy.h"
#include "policies/PDFAttachmentView.h"
#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/PdfPageView.h"
#include "ui/RoundedPanel.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kPlaceholderIcon = 32;

QLabel* label(const QString& text, TextStyle style, QFont::Weight weight, ColorName color,
              QWidget* parent) {
    auto* label =
        new TextLabel(text, TextLabel::style(style, weight), TextLabel::named(color), parent);
    label->setAccessibleName(text);
    return label;
}

} // namespace

DocumentPreview::DocumentPreview(std::shared_ptr<const Policy> policy, PDFViewer::Services services,
                                 QWidget* parent)
    : QWidget(parent)
    , m_policy(std::move(policy))
    , m_services(std::move(services))
    , m_stack(new QVBoxLayout(this)) {
    setObjectName(QStringLiteral("documentPreview"));
    m_stack->setContentsMargins(0, 0, 0, 0);
}

DocumentPreview::~DocumentPreview() = default;

PdfPageView* DocumentPreview::pageView() const {
    return m_view;
}

void DocumentPreview::refresh(const QLocale& locale) {
    delete m_content;
    m_frame = nullptr;
    m_more = nullptr;
    m_moreLabel = nullptr;
    ++m_loading;
    const std::optional<QString> fileName = m_policy->pdfFileName();
    const std::optional<qint64> size = m_policy->pdfDataSize();
    m_content = fileName && size ? buildDocument(*fileName, *size, locale) : buildPlaceholder();
    m_stack->addWidget(m_content);
    if (m_view) {
        loadDocument();
    }
}

QWidget* DocumentPreview::buildDocument(const QString& fileName, qint64 size,
                                        const QLocale& locale) {
    auto* frame = new RoundedPanel(
        {.wash = 0, .radius = 12, .padding = 1, .outline = 0.1, .dashed = false, .clip = true},
        this);
    frame->setObjectName(QStringLiteral("documentFrame"));
    m_frame = frame;
    m_fileName = fileName;
    frame->setAccessibleName(QStringLiteral("Documento allegato: ") + fileName);
    frame->body()->addWidget(buildBar(fileName, size, locale));
    m_view = new PdfPageView(frame);
    m_view->setObjectName(QStringLiteral("documentPages"));
    m_view->setFixedHeight(kPreviewHeight);
    m_view->setPageLimit(kInlinePages);
    m_view->setMaximumPixels(m_services.documents.limits().maximumPixels);
    connect(m_view, &PdfPageView::laidOut, this, &DocumentPreview::laidOut);
    connect(m_view, &PdfPageView::failed, this, &DocumentPreview::laidOut);
    connect(m_view, &PdfPageView::openElsewhereRequested, this,
            &DocumentPreview::openWithSystemViewer);
    frame->body()->addWidget(m_view);
    frame->body()->addWidget(buildMore());
    return frame;
}

// Below the pages of a long document: how many more it has, and the viewer that shows them.
QWidget* DocumentPreview::buildMore() {
    m_more = new RoundedPanel({.wash = 0.1, .radius = 0, .padding = 10}, m_frame);
    m_more->setObjectName(QStringLiteral("morePages"));
    auto* row = new QHBoxLayout;
    m_moreLabel = label(QString(), TextStyle::Caption, QFont::Normal, ColorName::Secondary, m_more);
    m_moreLabel->setObjectName(QStringLiteral("morePagesLabel"));
    auto* open = new QPushButton(QStringLiteral("Apri"), m_more);
    open->setObjectName(QStringLiteral("openViewerButton"));
    open->setAccessibleName(QStringLiteral("Apri"));
    open->setAutoDefault(false);
    row->addWidget(m_moreLabel, 1);
    row->addWidget(open);
    static_cast<RoundedPanel*>(m_more)->body()->addLayout(row);
    connect(open, &QPushButton::clicked, this, &DocumentPreview::openViewer);
    m_more->hide();
    return m_more;
}

QWidget* DocumentPreview::buildBar(const QString& fileName, qint64 size, const QLocale& locale) {
    auto* bar = new RoundedPanel({.wash = 0.1, .radius = 0, .padding = 12}, this);
    bar->setObjectName(QStringLiteral("documentBar"));
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    auto* icon = new QLabel(bar);
    QLabel* name = label(fileName, TextStyle::Subheadline, QFont::Medium, ColorName::Primary, bar);
    name->setObjectName(QStringLiteral("documentNameLabel"));
    icon->setPixmap(Icons::pixmap(u"doc.fill", QFontMetrics(name->font()).height(),
                                  Palette::color(ColorName::Accent, palette()),
                                  devicePixelRatioF()));
    QLabel* sizeLabel = label(PDFAttachmentView::sizeText(size, locale), TextStyle::Caption,
                              QFont::Normal, ColorName::Secondary, bar);
    sizeLabel->setObjectName(QStringLiteral("documentSizeLabel"));
    row->addWidget(icon);
    row->addWidget(name, 1);
    row->addWidget(sizeLabel);
    bar->body()->addLayout(row);
    return bar;
}

QWidget* DocumentPreview::buildPlaceholder() {
    auto* box = new RoundedPanel(
        {.wash = 0.03, .radius = 12, .padding = 40, .outline = 0.1, .dashed = true, .clip = false},
        this);
    box->setObjectName(QStringLiteral("noDocumentPlaceholder"));
    box->body()->setSpacing(12);
    auto* icon = new QLabel(box);
    const QColor secondary = Palette::color(ColorName::Secondary, palette());
    icon->setPixmap(Icons::pixmap(u"doc.badge.plus",
                                  QFontMetrics(Typography::system(kPlaceholderIcon)).height(),
                                  Palette::withOpacity(secondary, 0.5), devicePixelRatioF()));
    QLabel* text = label(QStringLiteral("Nessun documento PDF allegato a questa polizza."),
                         TextStyle::Subheadline, QFont::Normal, ColorName::Secondary, box);
    text->setObjectName(QStringLiteral("noDocumentLabel"));
    box->body()->addWidget(icon, 0, Qt::AlignHCenter);
    box->body()->addWidget(text, 0, Qt::AlignHCenter);
    return box;
}

void DocumentPreview::loadDocument() {
    const quint64 loading = m_loading;
    m_policy->pdfDocumentLater(
        m_view, [this, loading](const std::shared_ptr<const QByteArray>& bytes) {
            if (loading == m_loading && bytes && m_view) {
                m_view->setDocument(m_services.documents.show(*bytes, m_fileName));
            }
        });
}

void DocumentPreview::laidOut() {
    m_frame->setAccessibleName(m_view->accessibleName());
    m_frame->setAccessibleDescription(m_view->accessibleDescription());
    const int left = m_view->pagesNotLaidOut();
    m_more->setVisible(left > 0);
    if (left > 0) {
        m_moreLabel->setText(QStringLiteral("Altre %1 pagine").arg(left));
        m_moreLabel->setAccessibleName(m_moreLabel->text());
    }
}

void DocumentPreview::openViewer() {
    if (!m_view || !m_view->document()) {
        return;
    }
    (new PDFViewer(m_view->document()->bytes(), m_fileName, m_services, this))->open();
}

void DocumentPreview::openWithSystemViewer() {
    if (m_view && m_view->document()) {
        PDFViewer::openWithSystemViewer(m_view->document()->bytes(), m_fileName, m_services);
    }
}
