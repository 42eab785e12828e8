#pragma once

#include "ui/Confirmation.h"

#include <QList>

#include <functional>

// Holds each question until the test answers it, so a test can also act between the
// question and its answer.
class FakeConfirmation final : public Confirmation {
public:
    void ask(QWidget*, const Question& question,
             std::function<void(bool confirmed)> answered) override {
        asked.append(question);
        m_pending.append(std::move(answered));
    }

    void askToSave(QWidget*, const SaveQuestion& question,
                   std::function<void(SaveAnswer)> answered) override {
        savesAsked.append(question);
        m_pendingSaves.append(std::move(answered));
    }

    bool hasPending() const { return !m_pending.isEmpty(); }
    bool hasPendingSave() const { return !m_pendingSaves.isEmpty(); }
    // Answers the oldest open question about changes.
    void answerSave(SaveAnswer answer) {
        auto answered = m_pendingSaves.takeFirst();
        answered(answer);
    }
    // Answers the oldest open question.
    void answer(bool confirmed) {
        auto answered = m_pending.takeFirst();
        answered(confirmed);
    }

    QList<Question> asked;
    QList<SaveQuestion> savesAsked;

private:
    QList<std::function<void(bool)>> m_pending;
    QList<std::function<void(SaveAnswer)>> m_pendingSaves;
};
