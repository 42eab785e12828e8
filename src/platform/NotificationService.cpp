#include "platform/NotificationService.h"

#include <QMetaObject>

#include <memory>

void NotificationService::addAll(const QList<NotificationRequest>& requests,
                                 AddAllCompletion completion) {
    struct Answers {
        QList<std::optional<QString>> errors;
        qsizetype awaited = 0;
        AddAllCompletion completion;
    };
    auto answers = std::make_shared<Answers>();
    answers->errors.resize(requests.size());
    answers->awaited = requests.size();
    answers->completion = std::move(completion);
    if (requests.isEmpty()) {
        // Answers come later, never inside the call, also when there is nothing to add.
        QMetaObject::invokeMethod(
            this, [answers] { answers->completion({}); }, Qt::QueuedConnection);
        return;
    }
    for (qsizetype i = 0; i < requests.size(); ++i) {
        add(requests[i], [answers, i](const std::optional<QString>& error) {
            answers->errors[i] = error;
            if (--answers->awaited == 0) {
                answers->completion(answers->errors);
            }
        });
    }
}

void NotificationService::listPending(ListingCompletion completion) {
    pendingRequests(
        [completion = std::move(completion)](const QList<NotificationRequest>& pending) {
            completion(pending, std::nullopt);
        });
}
