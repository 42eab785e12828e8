#pragma once

#include "ui/Palette.h"

#include <QFont>
#include <QWidget>

#include <vector>

// The policies of a contact's page, one rounded row each inside a rounded panel: the name
// over the insurer on the left, the expiry date in its status colour over the number on the
// right. The rows are painted, not built of widgets, so a contact with many policies shows at
// once.
class ContactPolicyRows final : public QWidget {
    Q_OBJECT
public:
    struct Row {
        QString name;
        QString provider;
        QString date;
        QString number;
        ColorName color = ColorName::Green;
    };

    explicit ContactPolicyRows(std::vector<Row> rows, QWidget* parent = nullptr);

    const std::vector<Row>& rows() const { return m_rows; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyLook();
    int rowHeight() const;
    void paintRow(QPainter& painter, const QRect& rect, const Row& row) const;

    std::vector<Row> m_rows;
    QFont m_nameFont;
    QFont m_providerFont;
    QFont m_dateFont;
    QFont m_numberFont;
};
