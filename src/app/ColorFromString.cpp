#include "app/ColorFromString.h"

#include "ui/Palette.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<const char16_t*, NamedColor>, 15> kNames{{
    {u"red", NamedColor::Red},
    {u"orange", NamedColor::Orange},
    {u"yellow", NamedColor::Yellow},
    {u"green", NamedColor::Green},
    {u"mint", NamedColor::Mint},
    {u"teal", NamedColor::Teal},
    {u"cyan", NamedColor::Cyan},
    {u"blue", NamedColor::Blue},
    {u"indigo", NamedColor::Indigo},
    {u"purple", NamedColor::Purple},
    {u"pink", NamedColor::Pink},
    {u"brown", NamedColor::Brown},
    {u"gray", NamedColor::Gray},
    {u"black", NamedColor::Black},
    {u"white", NamedColor::White},
}};

} // namespace

NamedColor colorFromString(QStringView name) {
    const QString lower = name.toString().toLower();
    for (const auto& [text, color] : kNames) {
        if (lower == QStringView(text)) {
            return color;
        }
    }
    return NamedColor::Blue;
}

QColor namedColorValue(NamedColor color, const QPalette& palette) {
    const bool dark = Palette::isDark(palette);
    switch (color) {
    case NamedColor::Red:
        return Palette::color(ColorName::Red, palette);
    case NamedColor::Orange:
        return Palette::color(ColorName::Orange, palette);
    case NamedColor::Green:
        return Palette::color(ColorName::Green, palette);
    case NamedColor::Blue:
        return Palette::color(ColorName::Blue, palette);
    case NamedColor::Gray:
        return Palette::gray(1, palette);
    case NamedColor::Yellow:
        return QColor::fromRgb(dark ? 0xFDD663 : 0xE3B100);
    case NamedColor::Mint:
        return QColor::fromRgb(dark ? 0x66D4CF : 0x00A89F);
    case NamedColor::Teal:
        return QColor::fromRgb(dark ? 0x6AC4DC : 0x2E8FA3);
    case NamedColor::Cyan:
        return QColor::fromRgb(dark ? 0x78E1FF : 0x1AA6D9);
    case NamedColor::Indigo:
        return QColor::fromRgb(dark ? 0x9D9BFF : 0x4B48C9);
    case NamedColor::Purple:
        return QColor::fromRgb(dark ? 0xD7A6FF : 0x9243C2);
    case NamedColor::Pink:
        return QColor::fromRgb(dark ? 0xFF8FAB : 0xE0305A);
    case NamedColor::Brown:
        return QColor::fromRgb(dark ? 0xC8A27A : 0x8E6B45);
    case NamedColor::Black:
        return QColor(Qt::black);
    case NamedColor::White:
        return QColor(Qt::white);
    }
    return Palette::color(ColorName::Blue, palette);
}
