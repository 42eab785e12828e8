#pragma once

#include "policies/PDFViewer.h"

#include <QLocale>
#include <QPointer>
#include <QWidget>

#include <memory>

class PdfPageView;
class Policy;
class QLabel;
class QPushButton;
class QVBoxLayout;

// The detail pane's attached document: a bar with the file's name and size over the pages
// shown inline, or a placeholder when the policy has no document with a name. The bytes are
// read from the store off the screens' thread and drawn by the document renderer, so the pane
// appears at once, whatever the document, and the pages follow. At most
// kInlinePages are laid out inline; a longer document says how many more it has and opens in
// the viewer.
class DocumentPreview final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPreviewHeight = 600;
    static constexpr int kInlinePages = 30;

    DocumentPreview(std::shared_ptr<const Policy> policy, PDFViewer::Services services,
                    QWidget* parent = nullptr);
    ~DocumentPreview() override;

    // Shows the policy's document as it is now, or the placeholder.
    void refresh(const QLocale& locale);
    // The inline pages; null for the placeholder.
    PdfPageView* pageView() const;

private:
    QWidget* buildDocument(const QString& fileName, qint64 size, const QLocale& locale);
    QWidget* buildBar(const QString& fileName, qint64 size, const QLocale& locale);
    QWidget* buildMore();
    QWidget* buildPlaceholder();
    void loadDocument();
    void laidOut();
    void openViewer();
    void openWithSystemViewer();

    std::shared_ptr<const Policy> m_policy;
    PDFViewer::Services m_services;
    QVBoxLayout* m_stack;
    QWidget* m_content = nullptr;
    QWidget* m_frame = nullptr;
    QPointer<PdfPageView> m_view;
    QWidget* m_more = nullptr;
    QLabel* m_moreLabel = nullptr;
    QString m_fileName;
    quint64 m_loading = 0; // the read being waited for; a refresh makes earlier ones stale
};
