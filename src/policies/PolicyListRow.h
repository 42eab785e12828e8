#pragma once

#include <QColor>
#include <QFont>
#include <QStyledItemDelegate>

#include <array>

// One row of the policy list: the status stripe, the name over the provider, and on the
// right the expiry date over the remaining days while the policy expires soon. Every row has
// the same height and the delegate reads only the roles of ItemDataRole.h; fonts and colours
// are worked out once, and no widget is built per row or per paint.
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
    Texts textsOf(const QModelIndex& index) const;
    int rightWidth(const Texts& texts) const;
    void paintRight(QPainter* painter, const QRect& content, const Texts& texts,
                    bool selected) const;

    QFont m_nameFont;
    QFont m_providerFont;
    QFont m_dateFont;
    QFont m_noteFont;
    QColor m_accent;
    QColor m_primary;
    QColor m_secondary;
    QColor m_orange;
    std::array<QColor, 3> m_statusColors; // red, orange, green
};
