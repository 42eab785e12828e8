#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

class QLabel;

// A small counter tile: an icon and a number on a faint wash of the tile's colour. The title
// names the tile for assistive technology; it is not drawn.
class MiniStat final : public QWidget {
    Q_OBJECT
public:
    MiniStat(const QString& title, const QString& icon, const QColor& color,
             QWidget* parent = nullptr);

    const QString& title() const { return m_title; }
    qint64 count() const { return m_count; }
    void setCount(qint64 count);
    const QString& icon() const { return m_icon; }
    const QColor& color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QString m_icon;
    QColor m_color;
    qint64 m_count = -1;
    QLabel* m_number;
};
