#include "ui/ActionButtonRow.h"
#include "ui/ItemDataRole.h"
#include "ui/Palette.h"
#include "ui/ProgressPanel.h"
#include "ui/RowPainter.h"
#include "ui/TextLabel.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <map>

namespace {

RowPainter::Data rowOf(std::map<int, QString> values) {
    return [values = std::move(values)](int role) -> QVariant {
        const auto found = values.find(role);
        return found == values.end() ? QVariant() : QVariant(found->second);
    };
}

const RowPainter::Text* lineOf(const std::vector<RowPainter::Text>& texts, size_t line) {
    for (const RowPainter::Text& text : texts) {
        if (text.line == line) {
            return &text;
        }
    }
    return nullptr;
}

RowPainter painter() {
    return RowPainter({.leading = RowPainter::Leading::Stripe,
                       .leadingSize = 32,
                       .left = {{{TitleRole, QFont()}, {SubtitleRole, QFont()}}},
                       .right = {{{DetailRole, QFont()}, {NoteRole, QFont()}}}});
}

// The left column gives way to the right one: a long name is cut with an ellipsis inside its
// column, the date beside it stays whole, and a right column that would take more than half
// the row is cut too.
TEST(RowPainter, ElidesEachLineToItsColumnAndKeepsTheDateWhole) {
    const QRect row(0, 0, 320, 60);
    const QString date = QStringLiteral("10 mar 2026");
    const QString name = QStringLiteral("Assicurazione casa e famiglia ").repeated(4);
    const std::vector<RowPainter::Text> texts =
        painter().layout(row, rowOf({{TitleRole, name}, {DetailRole, date}}));
    const RowPainter::Text* title = lineOf(texts, 0);
    const RowPainter::Text* detail = lineOf(texts, 2);
    ASSERT_NE(title, nullptr);
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(lineOf(texts, 1), nullptr);
    EXPECT_TRUE(title->shown.endsWith(QChar(0x2026))) << title->shown.toStdString();
    EXPECT_LE(QFontMetrics(QFont()).horizontalAdvance(title->shown), title->rect.width());
    EXPECT_EQ(detail->shown, date);
    EXPECT_LT(title->rect.right(), detail->rect.left());
    EXPECT_EQ(detail->rect.right(), row.right() - painter().look().padding);
    // Both lines of a column are centred together: alone, the name is on the row's middle.
    EXPECT_NEAR(title->rect.center().y(), row.center().y(), 1);

    const std::vector<RowPainter::Text> shortName =
        painter().layout(row, rowOf({{TitleRole, QStringLiteral("Auto")}, {DetailRole, name}}));
    EXPECT_EQ(lineOf(shortName, 0)->shown, QStringLiteral("Auto"));
    EXPECT_TRUE(lineOf(shortName, 2)->shown.endsWith(QChar(0x2026)));
    EXPECT_LE(lineOf(shortName, 2)->rect.width(), (row.width() - 2 * painter().look().padding) / 2);
}

// A button's icon is drawn in its text colour as the window's palette changes, both ways; a
// row too wide for its room shows icons alone, its names kept as tooltips and accessible names.
TEST(ActionButtonRow, FollowsThePaletteAndTheRoom) {
    QWidget window;
    auto* stack = new QVBoxLayout(&window);
    auto* row = new ActionButtonRow(8);
    stack->addWidget(row);
    QPushButton* edit =
        row->add(QStringLiteral("Modifica"), QStringLiteral("pencil"), QStringLiteral("edit"));
    // The icon's most opaque pixel, whose colour is the one it was drawn in.
    const auto iconColour = [edit] {
        const QImage drawn =
            edit->icon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
        QRgb most = 0;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x) {
                if (qAlpha(drawn.pixel(x, y)) > qAlpha(most)) {
                    most = drawn.pixel(x, y);
                }
            }
        }
        return QColor(qRgb(qRed(most), qGreen(most), qBlue(most)));
    };
    for (const QPalette& palette : {Palette::dark(), Palette::light()}) {
        window.setPalette(palette);
        EXPECT_EQ(iconColour(), palette.color(QPalette::ButtonText).rgb())
            << Palette::isDark(palette);
    }
    row->fit(10);
    EXPECT_TRUE(edit->text().isEmpty());
    EXPECT_EQ(edit->toolTip(), QStringLiteral("Modifica"));
    EXPECT_EQ(edit->accessibleName(), QStringLiteral("Modifica"));
    row->fit(1000);
    EXPECT_EQ(edit->text(), QStringLiteral("Modifica"));
    EXPECT_TRUE(edit->toolTip().isEmpty());
}

// A label's colour is worked out from its window's palette each time that palette changes,
// never from its own (whose text colour it set itself): going dark and back gives the colours
// of each palette exactly.
TEST(TextLabel, FollowsItsWindowsPaletteBothWays) {
    QWidget window;
    auto* stack = new QVBoxLayout(&window);
    auto* label = new TextLabel(QStringLiteral("Totale"), TextStyle::Caption, ColorName::Secondary);
    stack->addWidget(label);
    for (const QPalette& palette : {Palette::dark(), Palette::light(), Palette::dark()}) {
        window.setPalette(palette);
        EXPECT_EQ(label->palette().color(QPalette::WindowText),
                  Palette::color(ColorName::Secondary, palette))
            << Palette::isDark(palette);
    }
    label->setTextColor(ColorName::Red, 0.5);
    EXPECT_EQ(label->palette().color(QPalette::WindowText),
              Palette::withOpacity(Palette::color(ColorName::Red, Palette::dark()), 0.5));
    EXPECT_EQ(label->font(), Typography::font(TextStyle::Caption, window.font()));
}

// Quick work never flashes the bar; long work shows it, and its end hides it.
TEST(ProgressPanel, AppearsOnlyForWorkStillRunningAfterItsDelay) {
    QWidget window;
    auto* panel = new ProgressPanel(&window);
    window.show();
    panel->begin();
    panel->end();
    EXPECT_FALSE(panel->findChild<QTimer*>()->isActive());
    EXPECT_FALSE(panel->isVisible());

    QElapsedTimer waited;
    waited.start();
    panel->begin();
    EXPECT_FALSE(panel->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([panel] { return panel->isVisible(); }, 5000));
    EXPECT_GE(waited.elapsed(), ProgressPanel::kDelayMs);
    // Totals past an int's range are counted all the same.
    panel->setStatus(QStringLiteral("Lettura del file…"), 3'000'000'000, 6'000'000'000);
    auto* bar = panel->findChild<QProgressBar*>();
    EXPECT_NEAR(double(bar->value()) / bar->maximum(), 0.5, 0.01);
    panel->end();
    EXPECT_FALSE(panel->isVisible());
}

} // namespace
