#include "ui/DialogConfirmation.h"
#include "support/WaitUntil.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

enum class Close { Confirm, Cancel, Escape, WindowManager };

struct AskedBox {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    std::vector<bool> answers;
    QPointer<QMessageBox> box;
};

void ask(AskedBox& asked, const QString& message) {
    asked.window->show();
    DialogConfirmation confirmation;
    confirmation.ask(asked.window.get(),
                     {QStringLiteral("Elimina Polizza"), message, QStringLiteral("Elimina"),
                      QStringLiteral("Annulla"), true},
                     [&asked](bool confirmed) { asked.answers.push_back(confirmed); });
    asked.box = asked.window->findChild<QMessageBox*>(QStringLiteral("confirmationDialog"));
}

class DialogConfirmationCloses : public ::testing::TestWithParam<Close> {};

// However the box goes away, it answers exactly once, and only "Elimina" confirms.
TEST_P(DialogConfirmationCloses, AnswersOnceAndOnlyTheConfirmButtonConfirms) {
    AskedBox asked;
    ask(asked, QStringLiteral("Sei sicuro?"));
    ASSERT_TRUE(asked.box);
    ASSERT_TRUE(waitUntil([&] { return asked.box->isVisible(); }));
    switch (GetParam()) {
    case Close::Confirm:
        asked.box->findChild<QPushButton*>(QStringLiteral("confirmationConfirmButton"))->click();
        break;
    case Close::Cancel:
        asked.box->findChild<QPushButton*>(QStringLiteral("confirmationCancelButton"))->click();
        break;
    case Close::Escape:
        QTest::keyClick(asked.box, Qt::Key_Escape);
        break;
    case Close::WindowManager:
        asked.box->close(); // what the title bar's close button and Alt+F4 do
        break;
    }
    ASSERT_TRUE(waitUntil([&] { return asked.box.isNull(); }));
    QApplication::processEvents();
    EXPECT_EQ(asked.answers, std::vector<bool>{GetParam() == Close::Confirm});
}

const char* const kCloseNames[] = {"Confirm", "Cancel", "Escape", "WindowManager"};

void PrintTo(Close close, std::ostream* out) {
    *out << kCloseNames[static_cast<int>(close)];
}

std::string closeName(const ::testing::TestParamInfo<Close>& info) {
    return kCloseNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Ways, DialogConfirmationCloses,
                         ::testing::Values(Close::Confirm, Close::Cancel, Close::Escape,
                                           Close::WindowManager),
                         closeName);

TEST(DialogConfirmation, ShowsTheMessageAsWrittenAndIsNeverAnsweredOnceItsWindowIsGone) {
    AskedBox asked;
    const QString message =
        QStringLiteral("Are you sure you want to delete '<a href=\"https://example.invalid/\">"
                       "Casa</a>'? This action cannot be undone.");
    ask(asked, message);
    ASSERT_TRUE(asked.box);
    bool messageShown = false;
    for (const QLabel* label : asked.box->findChildren<QLabel*>()) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
        EXPECT_FALSE(label->openExternalLinks());
        messageShown |= label->text() == message;
    }
    EXPECT_TRUE(messageShown);

    asked.window.reset();
    QApplication::processEvents();
    EXPECT_TRUE(asked.box.isNull());
    EXPECT_TRUE(asked.answers.empty());
}

TEST(DialogConfirmation, AsksToSaveWithThreeAnswersAndAnyOtherCloseCancels) {
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
