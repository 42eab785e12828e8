#pragma once

#include <QFrame>

class QVBoxLayout;

// A rounded panel on a faint grey wash, optionally outlined (solid or dashed) and clipping its
// content to its corners: the detail pane's cards, notes and document frames.
class WashPanel final : public QFrame {
    Q_OBJECT
public:
    struct Look {
        qreal wash = 0.05; // opacity of the grey; 0 for none
        qreal radius = 8;
        int padding = 16;
        qreal outline = 0; // opacity of the secondary colour; 0 for none
        bool dashed = false;
        bool clip = false; // content kept inside the rounded corners
    };

    explicit WashPanel(const Look& look, QWidget* parent = nullptr);

    QVBoxLayout* body() const { return m_body; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Look m_look;
    QVBoxLayout* m_body;
};
