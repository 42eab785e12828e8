#pragma once

#include <QFrame>

class QVBoxLayout;

// A rounded panel on a faint grey wash that groups the fields of one section.
class Card final : public QFrame {
    Q_OBJECT
public:
    // `spacing` between the widgets stacked in the card.
    explicit Card(int spacing = 12, QWidget* parent = nullptr);

    QVBoxLayout* body() const { return m_body; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* m_body;
};
