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

    bool hasPending() const { return !m_pending.isEmpty(); }
    // Answers the oldest open question.
    void answer(bool confirmed) {
        auto answered = m_pending.takeFirst();
        answered(confirmed);
    }

    QList<Question> asked;

private:
    QList<std::function<void(bool)>> m_pending;
};
