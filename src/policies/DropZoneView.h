#pragma once

#include <QString>
#include <QWidget>

class QMimeData;

// Where the editor takes a document: a PDF file dragged onto it, or a click (or Space/Return
// when it has the focus) that asks for the file dialog. Only a drag offering a local PDF file
// is accepted and highlights the zone; of several files the first is taken.
class DropZoneView final : public QWidget {
    Q_OBJECT

public:
    explicit DropZoneView(QWidget* parent = nullptr);

    bool isTargeted() const { return m_isTargeted; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The local PDF file a drag offers first; empty when it offers none.
    static QString offeredPdf(const QMimeData* mime);

Q_SIGNALS:
    void tapped();
    void dropped(const QString& path);
    void targetedChanged(bool targeted);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void setTargeted(bool targeted);

    bool m_isTargeted = false;
};
