#pragma once

#include <QColor>
#include <QFont>
#include <QStyledItemDelegate>

// One row of the contact list: the initials in a round avatar, the full name over the
// company, and on the right how many policies the contact holds. Every row has the same
// height and the delegate reads only the roles of ItemDataRole.h; fonts and colours are
// worked out once, and no widget is built per row or per paint.
class ContactListRow final : public QStyledItemDelegate {
    Q_OBJECT
public:
    // Padding 10 around a 36-point avatar, inside insets of 4 above and below.
    static constexpr int kRowHeight = 4 + 10 + 36 + 10 + 4;

    explicit ContactListRow(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void paintAvatar(QPainter* painter, const QRect& circle, const QString& initials,
                     bool selected) const;
    // The policy count at the right of `content`; the width it took.
    int paintCount(QPainter* painter, const QRect& content, const QString& count,
                   bool selected) const;
    void paintNames(QPainter* painter, const QRect& area, const QString& name,
                    const QString& company, bool selected) const;

    QFont m_initialsFont;
    QFont m_nameFont;
    QFont m_companyFont;
    QFont m_countFont;
    QColor m_accent;
    QColor m_primary;
    QColor m_secondary;
};
