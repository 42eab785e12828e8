#include "policies/PDFViewer.h"

#include "documents/DocumentRenderer.h"
#include "platform/DesktopActions.h"
#include "platform/LogChannel.h"
#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/PdfPageView.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

PDFViewer::PDFViewer(const QByteArray& data, const QString& fileName, Services services,
                     QWidget* parent)
    : QDialog(parent)
    , m_data(data)
    , m_fileName(fileName)
    , m_services(std::move(services))
    , m_pages(new PdfPageView(this))
    , m_more(new TextLabel(QString(), TextStyle::Body, ColorName::Secondary, this)) {
    setObjectName(QStringLiteral("pdfViewer"));
    setAccessibleName(fileName);
    setWindowTitle(fileName);
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(600, 700);
    m_more->setObjectName(QStringLiteral("morePagesLabel"));
    m_more->setAlignment(Qt::AlignCenter);
    m_more->setContentsMargins(0, 6, 0, 6);
    m_more->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildToolbar());
    layout->addWidget(m_pages, 1);
    layout->addWidget(m_more);
    const DocumentRenderer::Limits& limits = m_services.documents.limits();
    m_pages->setPageLimit(limits.maximumPages);
    m_pages->setMaximumPixels(limits.maximumPixels);
    connect(m_pages, &PdfPageView::laidOut, this, &PDFViewer::showPagesLeftOut);
    connect(m_pages, &PdfPageView::openElsewhereRequested, this,
            qOverload<>(&PDFViewer::openWithSystemViewer));
    m_pages->setDocument(m_services.documents.show(data, fileName));
}

QWidget* PDFViewer::buildToolbar() {
    auto* bar = new QWidget(this);
    auto* close = new QPushButton(QStringLiteral("Chiudi"), bar);
    close->setObjectName(QStringLiteral("closeViewerButton"));
    close->setAccessibleName(QStringLiteral("Chiudi"));
    // The name is the user's own text: shown as it is, never read as markup.
    auto* title = new QLabel(bar);
    title->setTextFormat(Qt::PlainText);
    title->setText(m_fileName);
    title->setObjectName(QStringLiteral("viewerTitle"));
    title->setAccessibleName(m_fileName);
    title->setFont(Typography::font(TextStyle::Headline, font()));
    title->setAlignment(Qt::AlignCenter);
    title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* share = new QPushButton(bar);
    share->setObjectName(QStringLiteral("sharePdfButton"));
    share->setAccessibleName(QStringLiteral("Condividi"));
    share->setToolTip(QStringLiteral("Condividi"));
    share->setIcon(Icons::icon(u"square.and.arrow.up", palette().color(QPalette::ButtonText)));
    for (QPushButton* button : {close, share}) {
        button->setAutoDefault(false);
    }
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(12, 8, 12, 8);
    row->addWidget(close);
    row->addWidget(title, 1);
    row->addWidget(share);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(share, &QPushButton::clicked, this, &PDFViewer::sharePDF);
    return bar;
}

void PDFViewer::showPagesLeftOut() {
    const int left = m_pages->pagesNotLaidOut();
    m_more->setVisible(left > 0);
    if (left > 0) {
        m_more->setText(QStringLiteral("Altre %1 pagine non mostrate").arg(left));
        m_more->setAccessibleName(m_more->text());
    }
}

void PDFViewer::sharePDF() {
    const PDFShareExport::Result result = m_services.exporter.write(m_data, m_fileName);
    if (!result.error.isEmpty()) {
        m_services.log.write(QStringLiteral("Error saving PDF for sharing: "), result.error);
        return;
    }
    m_services.desktop.revealFile(result.path);
}

void PDFViewer::openWithSystemViewer() {
    openWithSystemViewer(m_data, m_fileName, m_services);
}

void PDFViewer::openWithSystemViewer(const QByteArray& data, const QString& fileName,
                                     const Services& services) {
    const PDFShareExport::Result result = services.exporter.write(data, fileName);
    if (!result.error.isEmpty()) {
        services.log.write(QStringLiteral("Error opening PDF: "), result.error);
        return;
    }
    services.desktop.openUrl(QUrl::fromLocalFile(result.path));
}
