#pragma once

#include <QLocale>
#include <QPointer>
#include <QWidget>

#include <memory>

class PDFKitView;
class Policy;
class QVBoxLayout;

// The detail pane's attached document: a bar with the file's name and size over the pages
// shown inline, or a placeholder when the policy has no document with a name. The bytes are
// read from the store and the document opened only once the frame has been drawn, so a pane
// with a large document appears at once and the pages follow.
class DocumentPreview final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPreviewHeight = 600;

    explicit DocumentPreview(std::shared_ptr<const Policy> policy, QWidget* parent = nullptr);
    ~DocumentPreview() override;

    // Shows the policy's document as it is now, or the placeholder.
    void refresh(const QLocale& locale);
    // The inline view, once the document has been opened; null before and for the placeholder.
    PDFKitView* pdfKitView() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildDocument(const QString& fileName, qint64 size, const QLocale& locale);
    QWidget* buildBar(const QString& fileName, qint64 size, const QLocale& locale);
    QWidget* buildPlaceholder();
    void loadDocument();

    std::shared_ptr<const Policy> m_policy;
    QVBoxLayout* m_stack;
    QWidget* m_content = nullptr;
    QWidget* m_pages = nullptr;
    QPointer<PDFKitView> m_pdf;
    bool m_loadScheduled = false;
};
