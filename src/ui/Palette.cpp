#include "ui/Palette.h"

#include <array>

namespace {

// Light and dark variants: the dark ones are lighter, so they keep their contrast on a dark
// window.
struct Pair {
    QRgb light;
    QRgb dark;
};

constexpr Pair kRed{0xD93025, 0xF28B82};
constexpr Pair kOrange{0xD96C00, 0xF9AB5C};
constexpr Pair kGreen{0x1E8E3E, 0x81C995};
constexpr Pair kBlue{0x1A6FD8, 0x8AB4F8};
constexpr Pair kGray{0x8E8E93, 0xA1A1A8};
constexpr Pair kYellow{0xE3B100, 0xFDD663};
constexpr Pair kMint{0x00A89F, 0x66D4CF};
constexpr Pair kTeal{0x2E8FA3, 0x6AC4DC};
constexpr Pair kCyan{0x1AA6D9, 0x78E1FF};
constexpr Pair kIndigo{0x4B48C9, 0x9D9BFF};
constexpr Pair kPurple{0x9243C2, 0xD7A6FF};
constexpr Pair kPink{0xE0305A, 0xFF8FAB};
constexpr Pair kBrown{0x8E6B45, 0xC8A27A};

constexpr std::array<std::pair<const char16_t*, ColorName>, 15> kCategoryNames{{
    {u"red", ColorName::Red},
    {u"orange", ColorName::Orange},
    {u"yellow", ColorName::Yellow},
    {u"green", ColorName::Green},
    {u"mint", ColorName::Mint},
    {u"teal", ColorName::Teal},
    {u"cyan", ColorName::Cyan},
    {u"blue", ColorName::Blue},
    {u"indigo", ColorName::Indigo},
    {u"purple", ColorName::Purple},
    {u"pink", ColorName::Pink},
    {u"brown", ColorName::Brown},
    {u"gray", ColorName::Gray},
    {u"black", ColorName::Black},
    {u"white", ColorName::White},
}};

QColor pick(Pair pair, const QPalette& palette) {
    return QColor::fromRgb(Palette::isDark(palette) ? pair.dark : pair.light);
}

// A text colour between the primary text and the window, opaque, so it draws the same on any
// card it sits on.
QColor secondary(const QPalette& palette) {
    const QColor text = palette.color(QPalette::WindowText);
    const QColor window = palette.color(QPalette::Window);
    const qreal share = 0.6;
    return QColor::fromRgbF(text.redF() * share + window.redF() * (1 - share),
                            text.greenF() * share + window.greenF() * (1 - share),
                            text.blueF() * share + window.blueF() * (1 - share));
}

} // namespace

QColor Palette::color(ColorName name, const QPalette& palette) {
    switch (name) {
    case ColorName::Red:
        return pick(kRed, palette);
    case ColorName::Orange:
        return pick(kOrange, palette);
    case ColorName::Green:
        return pick(kGreen, palette);
    case ColorName::Blue:
        return pick(kBlue, palette);
    case ColorName::Secondary:
        return secondary(palette);
    case ColorName::Accent:
        return palette.color(QPalette::Highlight);
    case ColorName::Primary:
        return palette.color(QPalette::WindowText);
    case ColorName::TextBackground:
        return palette.color(QPalette::Base);
    case ColorName::WindowBackground:
        return palette.color(QPalette::Window);
    case ColorName::ControlBackground:
        return palette.color(QPalette::Button);
    case ColorName::Yellow:
        return pick(kYellow, palette);
    case ColorName::Mint:
        return pick(kMint, palette);
    case ColorName::Teal:
        return pick(kTeal, palette);
    case ColorName::Cyan:
        return pick(kCyan, palette);
    case ColorName::Indigo:
        return pick(kIndigo, palette);
    case ColorName::Purple:
        return pick(kPurple, palette);
    case ColorName::Pink:
        return pick(kPink, palette);
    case ColorName::Brown:
        return pick(kBrown, palette);
    case ColorName::Gray:
        return pick(kGray, palette);
    case ColorName::Black:
        return QColor(Qt::black);
    case ColorName::White:
        return QColor(Qt::white);
    }
    return {};
}

ColorName Palette::categoryColor(QStringView name) {
    const QString lower = name.toString().toLower();
    for (const auto& [text, color] : kCategoryNames) {
        if (lower == QStringView(text)) {
            return color;
        }
    }
    return ColorName::Blue;
}

ColorName Palette::byName(QStringView name) {
    static const std::array<std::pair<const char16_t*, ColorName>, 6> names{{
        {u"red", ColorName::Red},
        {u"orange", ColorName::Orange},
        {u"green", ColorName::Green},
        {u"blue", ColorName::Blue},
        {u"secondary", ColorName::Secondary},
        {u"accent", ColorName::Accent},
    }};
    for (const auto& [text, color] : names) {
        if (name == QStringView(text)) {
            return color;
        }
    }
    return ColorName::Secondary;
}

QColor Palette::gray(qreal opacity, const QPalette& palette) {
    return withOpacity(pick(kGray, palette), opacity);
}

QColor Palette::withOpacity(QColor color, qreal opacity) {
    color.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return color;
}

QColor Palette::over(const QColor& top, const QColor& under) {
    const int alpha = top.alpha();
    const auto mix = [alpha](int upper, int lower) {
        return (upper * alpha + lower * (255 - alpha) + 127) / 255;
    };
    return QColor(mix(top.red(), under.red()), mix(top.green(), under.green()),
                  mix(top.blue(), under.blue()));
}

bool Palette::isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < 128;
}

QPalette Palette::dark() {
    QPalette palette(QColor(0x3A, 0x3A, 0x3C), QColor(0x1E, 0x1E, 0x20));
    palette.setColor(QPalette::WindowText, QColor(0xEC, 0xEC, 0xEE));
    palette.setColor(QPalette::Text, QColor(0xEC, 0xEC, 0xEE));
    palette.setColor(QPalette::ButtonText, QColor(0xEC, 0xEC, 0xEE));
    palette.setColor(QPalette::Base, QColor(0x2A, 0x2A, 0x2D));
    palette.setColor(QPalette::AlternateBase, QColor(0x32, 0x32, 0x35));
    palette.setColor(QPalette::Highlight, QColor(0x3D, 0x8B, 0xF0));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(0x8A, 0x8A, 0x90));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x70, 0x70, 0x75));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x70, 0x70, 0x75));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x70, 0x70, 0x75));
    palette.setColor(QPalette::Disabled, QPalette::Button, QColor(0x30, 0x30, 0x32));
    return palette;
}

QPalette Palette::light() {
    QPalette palette(QColor(0xE8, 0xE8, 0xEA), QColor(0xF5, 0xF5, 0xF7));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(0x1A, 0x6F, 0xD8));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(0x8E, 0x8E, 0x93));
    return palette;
}
