#include "ui/EmptyState.h"
#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/SearchField.h"
#include "ui/SegmentedControl.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// Every system icon name the screens use.
const QStringList kScreenIcons = {"arrow.clockwise",
                                  "arrow.down.doc",
                                  "bell",
                                  "building.2",
                                  "calendar",
                                  "calendar.badge.clock",
                                  "checkmark.circle.fill",
                                  "cloud",
                                  "doc.badge.plus",
                                  "doc.fill",
                                  "doc.text",
                                  "doc.text.magnifyingglass",
                                  "ellipsis",
                                  "envelope.fill",
                                  "exclamationmark.triangle",
                                  "exclamationmark.triangle.fill",
                                  "eye",
                                  "gear",
                                  "info.circle",
                                  "laptopcomputer",
                                  "magnifyingglass",
                                  "message.fill",
                                  "note.text",
                                  "number",
                                  "paperclip",
                                  "pencil",
                                  "person",
                                  "person.2",
                                  "person.badge.plus",
                                  "person.crop.circle",
                                  "person.crop.circle.badge.plus",
                                  "person.text.rectangle",
                                  "phone",
                                  "phone.circle.fill",
                                  "phone.fill",
                                  "plus",
                                  "repeat",
                                  "square.and.arrow.up",
                                  "trash",
                                  "xmark.circle",
                                  "xmark.circle.fill"};

// Pixels drawn in the colour asked for, and none in another.
int pixelsOf(const QImage& image, QRgb color) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() == 255) {
                count += pixel.rgb() == color ? 1 : -100000;
            }
        }
    }
    return count;
}

TEST(Icons, EveryNameTheScreensUseDrawsABundledIconInTheColourAsked) {
    QStringList failing;
    for (const QString& name : kScreenIcons) {
        const QPixmap pixmap = Icons::pixmap(name, 32, QColor(0x12, 0x34, 0x56));
        if (!Icons::resourcePath(name).startsWith(u':') || pixmap.isNull() ||
            pixelsOf(pixmap.toImage(), qRgb(0x12, 0x34, 0x56)) < 20) {
            failing << name;
        }
    }
    EXPECT_TRUE(failing.isEmpty()) << failing.join(u' ').toStdString();
    EXPECT_TRUE(Icons::pixmap(u"no.such.icon", 32, Qt::black).isNull());
    EXPECT_TRUE(Icons::icon(u"no.such.icon", Qt::black).isNull());
}

// WCAG contrast ratio of two opaque colours.
double contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(Palette, NamedColoursStayReadableInLightAndDarkThemes) {
    for (const QPalette& palette : {Palette::light(), Palette::dark()}) {
        const QColor window = Palette::color(ColorName::WindowBackground, palette);
        for (const ColorName name : {ColorName::Red, ColorName::Orange, ColorName::Green,
                                     ColorName::Blue, ColorName::Secondary, ColorName::Primary}) {
            EXPECT_GE(contrast(Palette::color(name, palette), window), 3.0)
                << int(name) << (Palette::isDark(palette) ? " dark" : " light");
        }
        EXPECT_NEAR(Palette::gray(0.05, palette).alphaF(), 0.05, 0.01);
    }
    EXPECT_EQ(Palette::byName(u"orange"), ColorName::Orange);
    EXPECT_EQ(Palette::byName(u"purple"), ColorName::Secondary);
}

TEST(Palette, AColourOverAnotherIsWhatPaintingItThereGives) {
    for (const QPalette& palette : {Palette::light(), Palette::dark()}) {
        const QColor under = Palette::color(ColorName::TextBackground, palette);
        for (const QColor& top : {Palette::gray(0.05, palette), Palette::gray(0.2, palette),
                                  Palette::withOpacity(Qt::red, 0.5), QColor(Qt::blue)}) {
            QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
            image.fill(under);
            QPainter(&image).fillRect(image.rect(), top);
            const QColor painted = image.pixelColor(0, 0);
            const QColor worked = Palette::over(top, under);
            EXPECT_EQ(worked.alpha(), 255);
            for (const auto channel : {&QColor::red, &QColor::green, &QColor::blue}) {
                EXPECT_LE(std::abs((painted.*channel)() - (worked.*channel)()), 1)
                    << top.name(QColor::HexArgb).toStdString() << " over "
                    << under.name().toStdString();
            }
        }
    }
}

TEST(SearchField, PassesTextUntrimmedAndEscapeOrTheClearButtonEmptiesIt) {
    SearchField search(QStringLiteral("Cerca contatti..."), QStringLiteral("contactSearch"));
    search.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&search));
    QSignalSpy texts(&search, &SearchField::textChanged);
    auto* clear = search.findChild<QToolButton*>(QStringLiteral("contactSearchClear"));
    ASSERT_NE(clear, nullptr);
    EXPECT_FALSE(clear->isVisible());

    QTest::keyClicks(search.edit(), QStringLiteral(" ro "));
    EXPECT_EQ(texts.last().first().toString(), QStringLiteral(" ro "));
    EXPECT_TRUE(clear->isVisible());
    QTest::keyClick(search.edit(), Qt::Key_Escape);
    EXPECT_TRUE(search.text().isEmpty());
    EXPECT_FALSE(clear->isVisible());

    QTest::keyClicks(search.edit(), QStringLiteral("x"));
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_TRUE(search.text().isEmpty());
    EXPECT_EQ(texts.last().first().toString(), QString());
}

// None chosen until one is (a value no segment names shows as none), then exactly one; a
// click on the chosen segment changes nothing. The title is a visible label.
TEST(SegmentedControl, AtMostOneSegmentIsChosen) {
    SegmentedControl control(QStringLiteral("filter"));
    control.setTitle(QStringLiteral("Filtra"));
    for (const char* text : {"Tutte", "In Scadenza", "Scadute"}) {
        control.addSegment(QString::fromLatin1(text), QString::fromLatin1(text));
    }
    control.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));
    auto* title = control.findChild<QLabel*>(QStringLiteral("filterTitle"));
    ASSERT_NE(title, nullptr);
    EXPECT_TRUE(title->isVisible());
    EXPECT_EQ(title->text(), QStringLiteral("Filtra"));
    QSignalSpy chosen(&control, &SegmentedControl::currentIndexChanged);
    const auto segment = [&](const char* name) {
        return control.findChild<QToolButton*>(QLatin1String(name));
    };
    EXPECT_EQ(control.currentIndex(), -1);
    QTest::mouseClick(segment("Tutte"), Qt::LeftButton);
    EXPECT_EQ(control.currentIndex(), 0);
    QTest::mouseClick(segment("Scadute"), Qt::LeftButton);
    EXPECT_EQ(control.currentIndex(), 2);
    QTest::mouseClick(segment("Scadute"), Qt::LeftButton);
    EXPECT_EQ(control.currentIndex(), 2);
    EXPECT_EQ(chosen.size(), 2);
    control.setCurrentIndex(-1);
    EXPECT_EQ(control.currentIndex(), -1);
    QTest::mouseClick(segment("Scadute"), Qt::LeftButton);
    EXPECT_EQ(control.currentIndex(), 2);
    EXPECT_EQ(chosen.size(), 3);
}

// The icon, the title and the action 20 apart, on the text background of whichever palette,
// the title in the secondary colour.
TEST(EmptyState, SpacesItsPartsOnTheTextBackground) {
    EmptyState state(QStringLiteral("doc.text.magnifyingglass"), QStringLiteral("Niente"),
                     QString());
    QPushButton* action =
        state.addAction(QStringLiteral("Aggiungi"), QStringLiteral("plus"), QStringLiteral("add"));
    state.resize(400, 400);
    state.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&state));
    const QList<QLabel*> labels = state.findChildren<QLabel*>();
    ASSERT_GE(labels.size(), 2);
    for (const QPalette& palette : {Palette::light(), Palette::dark()}) {
        state.setPalette(palette);
        const QImage image = state.grab().toImage();
        EXPECT_EQ(QColor(image.pixel(2, 2)).name(),
                  Palette::color(ColorName::TextBackground, palette).name());
        EXPECT_EQ(labels[1]->palette().color(labels[1]->foregroundRole()).name(),
                  Palette::color(ColorName::Secondary, palette).name());
    }
    const QRect icon = labels[0]->geometry();
    const QRect title = labels[1]->geometry();
    EXPECT_EQ(title.top() - icon.bottom() - 1, 20);
    EXPECT_EQ(action->geometry().top() - title.bottom() - 1, 20);
}

// The three-answer question with the real message box: each button gives its answer, once;
// Escape and a close by the window manager answer "Annulla"; "Salva" is the default.
} // namespace
