#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

// The attached document in the editor: a badge, its name (shortened in the middle when long),
// its size, "Vedi" and a remove button.
class PDFAttachmentView final : public QWidget {
    Q_OBJECT

public:
    PDFAttachmentView(const QString& fileName, qint64 fileSize, QWidget* parent = nullptr);

    // The size as the file manager would write it: decimal units ("1.5 MB").
    static QString sizeText(qint64 bytes, const QLocale& locale);

    QString fileName() const { return m_fileName; }

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

    QString m_fileName;
    QLabel* m_badge;
    QLabel* m_name;
    QLabel* m_size;
    QPushButton* m_view;
    QPushButton* m_remove;
};
