#include "policies/DocumentPreview.h"

#include "model/Policy.h"
#include "policies/PDFAttachmentView.h"
#include "policies/PDFKitView.h"
#include "policies/WashPanel.h"
#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/Typography.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kPlaceholderIcon = 32;

QLabel* label(const QString& text, TextStyle style, QFont::Weight weight, ColorName color,
              QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    QFont font = Typography::font(style, parent->font());
    font.setWeight(weight);
    label->setFont(font);
    QPalette palette = label->palette();
    const QColor shade = Palette::color(color, parent->palette());
    palette.setColor(QPalette::WindowText, shade);
    palette.setColor(QPalette::Text, shade); // on the text background
    label->setPalette(palette);
    label->setAccessibleName(text);
    return label;
}

} // namespace

DocumentPreview::DocumentPreview(std::shared_ptr<const Policy> policy, QWidget* parent)
    : QWidget(parent)
    , m_policy(std::move(policy))
    , m_stack(new QVBoxLayout(this)) {
    setObjectName(QStringLiteral("documentPreview"));
    m_stack->setContentsMargins(0, 0, 0, 0);
}

DocumentPreview::~DocumentPreview() = default;

PDFKitView* DocumentPreview::pdfKitView() const {
    return m_pdf;
}

void DocumentPreview::refresh(const QLocale& locale) {
    delete m_content;
    m_pages = nullptr;
    m_loadScheduled = false;
    const std::optional<QString> fileName = m_policy->pdfFileName();
    const std::optional<qint64> size = m_policy->pdfDataSize();
    m_content = fileName && size ? buildDocument(*fileName, *size, locale) : buildPlaceholder();
    m_stack->addWidget(m_content);
}

QWidget* DocumentPreview::buildDocument(const QString& fileName, qint64 size,
                                        const QLocale& locale) {
    auto* frame = new WashPanel(
        {.wash = 0, .radius = 12, .padding = 1, .outline = 0.1, .dashed = false, .clip = true},
        this);
    frame->setObjectName(QStringLiteral("documentFrame"));
    frame->body()->addWidget(buildBar(fileName, size, locale));
    m_pages = new QWidget(frame);
    m_pages->setObjectName(QStringLiteral("documentPages"));
    m_pages->setFixedHeight(kPreviewHeight);
    auto* pages = new QVBoxLayout(m_pages);
    pages->setContentsMargins(0, 0, 0, 0);
    m_pages->installEventFilter(this);
    frame->body()->addWidget(m_pages);
    return frame;
}

QWidget* DocumentPreview::buildBar(const QString& fileName, qint64 size, const QLocale& locale) {
    auto* bar = new WashPanel({.wash = 0.1, .radius = 0, .padding = 12}, this);
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
    auto* box = new WashPanel(
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

// The first paint of the empty frame schedules the load, so the pane shows before the
// document is read.
bool DocumentPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pages && event->type() == QEvent::Paint && !m_loadScheduled && !m_pdf) {
        m_loadScheduled = true;
        QTimer::singleShot(0, m_pages, [this] { loadDocument(); });
    }
    return QWidget::eventFilter(watched, event);
}

void DocumentPreview::loadDocument() {
    const std::shared_ptr<const QByteArray> bytes = m_policy->pdfDocument();
    if (!bytes || !m_pages) {
        return;
    }
    m_pdf = new PDFKitView(*bytes, m_pages);
    m_pages->layout()->addWidget(m_pdf);
}
