#pragma once

#include "ui/RowDelegate.h"

// One row of the policy list: the status stripe, the name over the provider, and on the
// right the expiry date in the status colour over the remaining days while the policy
// expires soon, with a check before them once the client was told. A policy filed under a
// category has its colour's dot after the name.
class PolicyListRow final : public RowDelegate {
    Q_OBJECT
public:
    // Padding 10 around a 32-point stripe, inside insets of 4 above and below.
    static constexpr int kRowHeight = 4 + 10 + 32 + 10 + 4;
    static constexpr int kDotSize = 8;
    static constexpr int kCheckSize = 11;

    explicit PolicyListRow(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    static void paintCategoryDot(QPainter* painter, const RowPainter::Text& name, const QFont& font,
                                 const QColor& color);
    static void paintNotifiedCheck(QPainter* painter, const RowPainter::Text& note,
                                   const QFont& font, const QStyleOptionViewItem& option);
};
