#include "policies/PDFAttachmentView.h"

#include "documents/ShownDocument.h"
#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/PlainText.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr qreal kFrameRadius = 10;
constexpr int kBadgeWidth = 50;
constexpr int kBadgeHeight = 60;
} // namespace

PDFAttachmentView::PDFAttachmentView(const QString& fileName, qint64 fileSize, QWidget* parent)
    : QWidget(parent)
    , m_fileName(fileName)
    , m_badge(new QLabel(this))
    , m_name(new TextLabel(QString(), TextLabel::points(14, QFont::Medium),
                           TextLabel::named(ColorName::Primary), this))
    , m_size(new TextLabel(sizeText(fileSize, locale()), TextStyle::Caption, ColorName::Secondary,
                           this))
    , m_pages(new TextLabel(QString(), TextStyle::Caption, ColorName::Secondary, this))
    , m_view(new QPushButton(QStringLiteral("Vedi"), this))
    , m_remove(new QPushButton(this)) {
    setObjectName(QStringLiteral("pdfAttachment"));
    setAccessibleName(fileName);
    m_badge->setFixedSize(kBadgeWidth, kBadgeHeight);
    m_badge->setAlignment(Qt::AlignCenter);
    m_name->setObjectName(QStringLiteral("pdfFileName"));
    m_name->setAccessibleName(fileName);
    m_name->setToolTip(plainToolTip(fileName));
    m_name->setMinimumWidth(40);
    m_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_size->setObjectName(QStringLiteral("pdfFileSize"));
    m_size->setAccessibleName(m_size->text());
    m_pages->setObjectName(QStringLiteral("pdfPageCount"));
    m_view->setObjectName(QStringLiteral("viewPdfButton"));
    m_view->setAccessibleName(QStringLiteral("Vedi"));
    m_remove->setObjectName(QStringLiteral("removePdfButton"));
    m_remove->setAccessibleName(QStringLiteral("Rimuovi PDF"));
    m_remove->setToolTip(QStringLiteral("Rimuovi PDF"));
    m_remove->setFlat(true);
    for (QPushButton* button : {m_view, m_remove}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    auto* facts = new QHBoxLayout;
    facts->setSpacing(8);
    facts->addWidget(m_size);
    facts->addWidget(m_pages, 1);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(m_name);
    texts->addLayout(facts);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(12);
    row->addWidget(m_badge);
    row->addLayout(texts, 1);
    row->addWidget(m_view);
    row->addWidget(m_remove);
    row->setSpacing(12);

    connect(m_view, &QPushButton::clicked, this, &PDFAttachmentView::viewRequested);
    connect(m_remove, &QPushButton::clicked, this, &PDFAttachmentView::removeRequested);
    applyLook();
}

void PDFAttachmentView::setDocument(std::shared_ptr<ShownDocument> document) {
    m_document = std::move(document);
    connect(m_document.get(), &ShownDocument::ready, this, &PDFAttachmentView::showPages);
    connect(m_document.get(), &ShownDocument::failed, this, &PDFAttachmentView::showPages);
    showPages();
}

void PDFAttachmentView::showPages() {
    switch (m_document->state()) {
    case ShownDocument::State::Opening:
        m_pages->clear();
        break;
    case ShownDocument::State::Ready:
        m_pages->setText(QStringLiteral("%1 pagine").arg(m_document->pageCount()));
        m_pages->setToolTip(QString());
        break;
    case ShownDocument::State::Failed:
        m_pages->setText(QStringLiteral("Impossibile mostrare questo documento"));
        m_pages->setToolTip(m_document->failure().words());
        break;
    }
    m_pages->setAccessibleName(m_pages->text());
    applyLook();
}

QString PDFAttachmentView::sizeText(qint64 bytes, const QLocale& locale) {
    return locale.formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

void PDFAttachmentView::elideName() {
    m_name->setText(m_name->fontMetrics().elidedText(m_fileName, Qt::ElideMiddle, m_name->width()));
}

void PDFAttachmentView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    elideName();
}

void PDFAttachmentView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        applyLook();
    }
}

void PDFAttachmentView::applyLook() {
    const QColor red = Palette::color(ColorName::Red, palette());
    const int iconSize = QFontInfo(Typography::system(28, QFont::Normal, font())).pixelSize();
    m_badge->setPixmap(Icons::pixmap(u"doc.fill", iconSize, red, devicePixelRatioF()));
    const bool unshowable = m_document && m_document->state() == ShownDocument::State::Failed;
    m_pages->setTextColor(unshowable ? ColorName::Red : ColorName::Secondary);
    m_view->setFont(Typography::font(TextStyle::Caption, font()));
    m_view->setIcon(Icons::icon(u"eye", palette().color(QPalette::ButtonText)));
    m_remove->setIcon(Icons::icon(u"trash", red));
    elideName();
}

void PDFAttachmentView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath frame;
    frame.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kFrameRadius, kFrameRadius);
    painter.fillPath(frame, Palette::gray(0.05, palette()));
    painter.setPen(
        QPen(Palette::withOpacity(Palette::color(ColorName::Secondary, palette()), 0.15), 1));
    painter.drawPath(frame);
    QPainterPath badge;
    badge.addRoundedRect(QRectF(m_badge->geometry()), 8, 8);
    painter.fillPath(badge, Palette::withOpacity(Palette::color(ColorName::Red, palette()), 0.1));
}
