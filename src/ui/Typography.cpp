#include "ui/Typography.h"

namespace {

constexpr qreal kBodyPoints = 13;

struct Style {
    qreal points;
    QFont::Weight weight;
};

Style styleOf(TextStyle style) {
    switch (style) {
    case TextStyle::Title:
        return {22, QFont::Normal};
    case TextStyle::Title2:
        return {17, QFont::Normal};
    case TextStyle::Title3:
        return {15, QFont::Normal};
    case TextStyle::Headline:
        return {13, QFont::Bold};
    case TextStyle::Subheadline:
        return {11, QFont::Normal};
    case TextStyle::Body:
        return {13, QFont::Normal};
    case TextStyle::Caption:
        return {10.5, QFont::Normal};
    case TextStyle::Caption2:
        return {10, QFont::Normal};
    }
    return {kBodyPoints, QFont::Normal};
}

} // namespace

QFont Typography::font(TextStyle style, const QFont& base) {
    const Style chosen = styleOf(style);
    return system(chosen.points, chosen.weight, base);
}

QFont Typography::system(qreal points, QFont::Weight weight, const QFont& base) {
    QFont font = base;
    const qreal body = base.pointSizeF() > 0 ? base.pointSizeF() : 10;
    font.setPointSizeF(body * points / kBodyPoints);
    font.setWeight(weight);
    return font;
}
