#pragma once

#include <QString>
#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;
class TextLabel;
class ShownDocument;

// The attached document in the editor: a badge, its name (shortened in the middle when long),
// its size and, once the document renderer has read it, its number of pages (or that it cannot
// be shown), "Vedi" and a remove button. The name is the user's own text, shown as it is.
class PDFAttachmentView final : public QWidget {
    Q_OBJECT

public:
    PDFAttachmentView(const QString& fileName, qint64 fileSize, QWidget* parent = nullptr);

    // The size as the file manager would write it: decimal units ("1.5 MB").
    static QString sizeText(qint64 bytes, const QLocale& locale);

    QString fileName() const { return m_fileName; }
    // The document as the renderer reads it, for the page count; kept while the row lives.
    void setDocument(std::shared_ptr<ShownDocument> document);

Q_SIGNALS:
    void viewRequested();
    void removeRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyLook();
    void elideName();
    void showPages();

    QString m_fileName;
    QLabel* m_badge;
    QLabel* m_name;
    QLabel* m_size;
    TextLabel* m_pages;
    std::shared_ptr<ShownDocument> m_document;
    QPushButton* m_view;
    QPushButton* m_remove;
};
