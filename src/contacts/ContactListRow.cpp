#include "contacts/ContactListRow.h"

#include "ui/ItemDataRole.h"
#include "ui/Typography.h"

namespace {

RowPainter::Look look() {
    return {
        .leading = RowPainter::Leading::Avatar,
        .leadingSize = 36,
        .initialsFont = Typography::system(14, QFont::Bold),
        .left = {{{TitleRole, Typography::system(14, QFont::DemiBold), ColorName::Primary, 1},
                  {SubtitleRole, Typography::system(11), ColorName::Secondary, 0.8}}},
        .right = {
            {{DetailRole, Typography::system(10, QFont::Medium), ColorName::Secondary, 0.9}, {}}}};
}

} // namespace

ContactListRow::ContactListRow(QObject* parent)
    : RowDelegate(look(), kRowHeight, parent) {}
