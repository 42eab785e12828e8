#pragma once

#include <QColor>
#include <QFont>
#include <QStyledItemDelegate>

#include <array>
#include <optional>

// One row of the policy list: the status stripe, the name over the provider, and on the
// right the expiry date over the remaining days while the policy expires soon. Every row has
// the same height and the delegate reads only the roles of ItemDataRole.h; fonts are worked out
// once and colours once per palette, and no widget is built per row or per paint. The colours
// come from the palette each paint is given, so the rows follow a light or dark look that
// changes while the list is shown.
class PolicyListRow final : public QStyledItemDelegate {
    Q_OBJECT
public:
    // Padding 10 around a 32-point stripe, inside insets of 4 above and below.
    static constexpr int kRowHeight = 4 + 10 + 32 + 10 + 4;

    explicit PolicyListRow(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    struct Texts {
        QString name;
        QString provider;
        QString date;
        QString note;
        QColor status;
    };
    struct Colors {
        QColor accent;
        QColor primary;
        QColor secondary;
        QColor orange;
        std::array<QColor, 3> status; // red, orange, green
    };
    // The colours of `palette`, worked out again only when it is another palette.
    const Colors& colorsFor(const QPalette& palette) const;
    Texts textsOf(const QModelIndex& index, const Colors& colors) const;
    int rightWidth(const Texts& texts) const;
    void paintRight(QPainter* painter, const QRect& content, const Texts& texts,
                    const Colors& colors, bool selected) const;

    QFont m_nameFont;
    QFont m_providerFont;
    QFont m_dateFont;
    QFont m_noteFont;
    mutable Colors m_colors;
    mutable std::optional<qint64> m_paletteKey;
};
