#pragma once

#include <QByteArray>
#include <QWidget>

#include <memory>

class QBuffer;
class QPdfDocument;
class QPdfView;

// Shows a document's pages one under another, each scaled to the width of the view. Bytes that
// are not a readable PDF show nothing, and say nothing.
class PDFKitView final : public QWidget {
    Q_OBJECT

public:
    explicit PDFKitView(const QByteArray& data, QWidget* parent = nullptr);
    ~PDFKitView() override;

    // New bytes: a readable document replaces the one shown; unreadable bytes keep it.
    void setData(const QByteArray& data);

    // The pages shown; 0 when nothing is.
    int pageCount() const;
    QPdfView* pdfView() const { return m_view; }

private:
    // The document reads its device lazily and owns neither the device nor the bytes, so the
    // three live and go together.
    struct Loaded;
    static std::unique_ptr<Loaded> load(const QByteArray& data);

    QPdfView* m_view;
    std::unique_ptr<Loaded> m_shown;
};
