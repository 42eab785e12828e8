#pragma once

#include <QString>

#include <functional>

class QWidget;

// Asks the user to confirm an action, behind one interface so that tests answer without a
// dialog. The answer arrives later through `answered` (true: confirmed), never from a nested
// event loop; a question whose window goes away first is never answered.
class Confirmation {
public:
    struct Question {
        QString title;
        QString message;
        QString confirmText;
        QString cancelText;
        // The confirming action destroys something; it is then drawn as such and is not the
        // default button.
        bool destructive = false;
    };
    // The question before something named `name` is deleted for good, under `title`.
    static Question deletion(const QString& title, const QString& name) {
        return {title,
                QStringLiteral("Are you sure you want to delete '") + name +
                    QStringLiteral("'? This action cannot be undone."),
                QStringLiteral("Elimina"), QStringLiteral("Annulla"), true};
    }

    // Changes that would be lost: keep them, drop them, or go back.
    enum class SaveAnswer { Save, DontSave, Cancel };
    struct SaveQuestion {
        QString title;
        QString message;
        QString saveText;
        QString dontSaveText;
        QString cancelText;
    };

    virtual ~Confirmation() = default;

    virtual void ask(QWidget* over, const Question& question,
                     std::function<void(bool confirmed)> answered) = 0;
    // The same for a question with three answers; closing it any other way is Cancel.
    virtual void askToSave(QWidget* over, const SaveQuestion& question,
                           std::function<void(SaveAnswer answer)> answered) = 0;
};
