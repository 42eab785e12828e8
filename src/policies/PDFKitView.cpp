#include "policies/PDFKitView.h"

#include <QBuffer>
#include <QPdfDocument>
#include <QPdfView>
#include <QVBoxLayout>

struct PDFKitView::Loaded {
    QByteArray bytes;
    QBuffer buffer;
    QPdfDocument document;
};

PDFKitView::PDFKitView(const QByteArray& data, QWidget* parent)
    : QWidget(parent)
    , m_view(new QPdfView(this)) {
    setObjectName(QStringLiteral("pdfKitView"));
    m_view->setObjectName(QStringLiteral("pdfView"));
    m_view->setAccessibleName(QStringLiteral("PDF"));
    m_view->setPageMode(QPdfView::PageMode::MultiPage);
    m_view->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setData(data);
}

PDFKitView::~PDFKitView() {
    m_view->setDocument(nullptr);
}

std::unique_ptr<PDFKitView::Loaded> PDFKitView::load(const QByteArray& data) {
    auto loaded = std::make_unique<Loaded>();
    loaded->bytes = data; // shares the bytes, copies nothing
    loaded->buffer.setBuffer(&loaded->bytes);
    loaded->buffer.open(QIODevice::ReadOnly);
    loaded->document.load(&loaded->buffer);
    if (loaded->document.status() != QPdfDocument::Status::Ready ||
        loaded->document.pageCount() == 0) {
        return nullptr;
    }
    return loaded;
}

void PDFKitView::setData(const QByteArray& data) {
    std::unique_ptr<Loaded> loaded = load(data);
    if (!loaded) {
        return;
    }
    m_view->setDocument(&loaded->document);
    m_shown = std::move(loaded);
}

int PDFKitView::pageCount() const {
    return m_shown ? m_shown->document.pageCount() : 0;
}
