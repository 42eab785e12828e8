#include "support/WaitUntil.h"
#include "ui/DialogConfirmation.h"
#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/SearchField.h"
#include "ui/SegmentedControl.h"

#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
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
    EXPECT_FALSE(Palette::byName(u"purple"));
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

TEST(SegmentedControl, ExactlyOneSegmentIsChosen) {
    SegmentedControl control(QStringLiteral("filter"));
    for (const char* text : {"Tutte", "In Scadenza", "Scadute"}) {
        control.addSegment(QString::fromLatin1(text), QString::fromLatin1(text));
    }
    control.show();
    QSignalSpy chosen(&control, &SegmentedControl::currentIndexChanged);
    EXPECT_EQ(control.currentIndex(), 0);
    QTest::mouseClick(control.findChild<QToolButton*>(QStringLiteral("Scadute")), Qt::LeftButton);
    EXPECT_EQ(control.currentIndex(), 2);
    QTest::mouseClick(control.findChild<QToolButton*>(QStringLiteral("Scadute")), Qt::LeftButton);
    EXPECT_EQ(control.currentIndex(), 2);
    EXPECT_EQ(chosen.size(), 1);
}

// The three-answer question with the real message box: each button gives its answer, once;
// Escape and a close by the window manager answer "Annulla"; "Salva" is the default.
TEST(DialogConfirmationTest, AsksToSaveWithThreeAnswersAndAnyOtherCloseCancels) {
    QWidget window;
    window.show();
    DialogConfirmation confirmation;
    const Confirmation::SaveQuestion question{
        QStringLiteral("Salvare le modifiche?"), QStringLiteral("Se non salvi..."),
        QStringLiteral("Salva"), QStringLiteral("Non Salvare"), QStringLiteral("Annulla")};
    using Answer = Confirmation::SaveAnswer;
    const auto answersTo = [&](const std::function<void(QMessageBox&)>& act) {
        QList<Answer> answers;
        confirmation.askToSave(&window, question, [&answers](Answer answer) { answers << answer; });
        QPointer<QMessageBox> box =
            window.findChild<QMessageBox*>(QStringLiteral("saveQuestionDialog"));
        if (!box || !QTest::qWaitForWindowExposed(box)) {
            return QList<Answer>{};
        }
        EXPECT_EQ(box->text(), question.title);
        EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("Salva"));
        act(*box);
        EXPECT_TRUE(waitUntil([&box] { return box.isNull(); }));
        return answers;
    };
    const auto click = [](const char* name) {
        return
            [name](QMessageBox& box) { box.findChild<QPushButton*>(QLatin1String(name))->click(); };
    };
    EXPECT_EQ(answersTo(click("saveQuestionSaveButton")), QList<Answer>{Answer::Save});
    EXPECT_EQ(answersTo(click("saveQuestionDontSaveButton")), QList<Answer>{Answer::DontSave});
    EXPECT_EQ(answersTo(click("saveQuestionCancelButton")), QList<Answer>{Answer::Cancel});
    EXPECT_EQ(answersTo([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }),
              QList<Answer>{Answer::Cancel});
    EXPECT_EQ(answersTo([](QMessageBox& box) { box.close(); }), QList<Answer>{Answer::Cancel});
}

} // namespace
