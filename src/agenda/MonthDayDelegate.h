#pragma once

#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QStaticText>
#include <QStyledItemDelegate>

#include <array>
#include <optional>

// One day of the month grid, drawn from MonthGridModel's roles: the day's number (on an
// accent disc for today, faded outside the month shown), up to three event titles on washes of
// their categories' colours, and "+N" for the rest; the chosen day framed in the accent colour.
// Colours come from the palette of each paint, so a dark look needs nothing more. Each text is
// laid out once for its width and kept (a month's worth at most), and each title's wash drawn
// once for its size and colour, so that painting a month mostly copies what is ready.
class MonthDayDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    enum class Face { Number, Today, Title };
    struct TextKey {
        Face face;
        int width;
        QString text;
        bool operator==(const TextKey&) const = default;
        friend size_t qHash(const TextKey& key, size_t seed = 0) {
            return qHashMulti(seed, int(key.face), key.width, key.text);
        }
    };
    struct WashKey {
        QSize size;
        QRgb color;
        qreal pixelRatio;
        bool operator==(const WashKey&) const = default;
        friend size_t qHash(const WashKey& key, size_t seed = 0) {
            return qHashMulti(seed, key.size.width(), key.size.height(), key.color, key.pixelRatio);
        }
    };

    // The faces for the application's font as it is now; a new font lays every text out again.
    const QFont& font(Face face) const;
    void paintNumber(QPainter* painter, const QRect& cell, const QModelIndex& index,
                     const QPalette& palette) const;
    void paintTitles(QPainter* painter, const QRect& cell, const QModelIndex& index,
                     const QPalette& palette) const;
    // `text` elided to `width` in `face`, laid out.
    const QStaticText& laidOut(const QString& text, Face face, int width) const;
    // A title's rounded wash of `color`, `size` large.
    const QPixmap& wash(const QSize& size, const QColor& color, qreal pixelRatio) const;

    mutable std::optional<QFont> m_base;
    mutable std::array<QFont, 3> m_faces;
    mutable QHash<TextKey, QStaticText> m_texts;
    mutable QHash<WashKey, QPixmap> m_washes;
};
