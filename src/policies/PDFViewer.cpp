#include "policies/PDFViewer.h"

#include "platform/DesktopActions.h"
#include "platform/LogChannel.h"
#include "policies/PDFKitView.h"
#include "ui/Icons.h"
#include "ui/Typography.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PDFViewer::PDFViewer(const QByteArray& data, const QString& fileName, Services services,
                     QWidget* parent)
    : QDialog(parent)
    , m_data(data)
    , m_fileName(fileName)
    , m_services(std::move(services))
    , m_pages(new PDFKitView(data, this)) {
    setObjectName(QStringLiteral("pdfViewer"));
    setAccessibleName(fileName);
    setWindowTitle(fileName);
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(600, 700);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildToolbar());
    layout->addWidget(m_pages, 1);
}

QWidget* PDFViewer::buildToolbar() {
    auto* bar = new QWidget(this);
    auto* close = new QPushButton(QStringLiteral("Chiudi"), bar);
    close->setObjectName(QStringLiteral("closeViewerButton"));
    close->setAccessibleName(QStringLiteral("Chiudi"));
    auto* title = new QLabel(m_fileName, bar);
    title->setObjectName(QStringLiteral("viewerTitle"));
    title->setTextFormat(Qt::PlainText);
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

void PDFViewer::sharePDF() {
    const PdfShareExport::Result result = m_services.exporter.write(m_data, m_fileName);
    if (!result.error.isEmpty()) {
        m_services.log.write(QStringLiteral("Error saving PDF for sharing: "), result.error);
        return;
    }
    m_services.desktop.revealFile(result.path);
}
