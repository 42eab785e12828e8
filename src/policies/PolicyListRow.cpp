#include "policies/PolicyListRow.h"

#include "ui/ItemDataRole.h"
#include "ui/Typography.h"

namespace {

RowPainter::Look look() {
    return {.leading = RowPainter::Leading::Stripe,
            .leadingSize = 32,
            .left = {{{TitleRole, Typography::system(13, QFont::DemiBold), ColorName::Primary, 1},
                      {SubtitleRole, Typography::system(11), ColorName::Secondary, 0.8}}},
            .right = {{{DetailRole, Typography::system(11, QFont::Medium), std::nullopt, 1},
                       {NoteRole, Typography::system(9), ColorName::Orange, 0.9}}}};
}

} // namespace

PolicyListRow::PolicyListRow(QObject* parent)
    : RowDelegate(look(), kRowHeight, parent) {}
