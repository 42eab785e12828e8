#pragma once

#include "ui/Confirmation.h"

// Asks with a window-modal message box over the asking widget's window. Cancel is the
// default and Escape's button, so a stray Return never confirms a destructive action.
class DialogConfirmation final : public Confirmation {
public:
    void ask(QWidget* over, const Question& question,
             std::function<void(bool confirmed)> answered) override;
    // "Salva" is the default, Escape and the window's close button answer Cancel.
    void askToSave(QWidget* over, const SaveQuestion& question,
                   std::function<void(SaveAnswer answer)> answered) override;
};
