#include "ui/DialogConfirmation.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {

// A window-modal warning box over the asking window, gone once closed. Its texts quote names
// the user typed: it must never read them as markup (the informative text's label guesses rich
// text and opens links on its own).
QMessageBox* newBox(QWidget* over, const QString& objectName, const QString& title,
                    const QString& message) {
    auto* box = new QMessageBox(over);
    box->setObjectName(objectName);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Warning);
    box->setTextFormat(Qt::PlainText);
    box->setText(title);
    box->setInformativeText(message);
    for (QLabel* label : box->findChildren<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
        label->setOpenExternalLinks(false);
    }
    box->setAccessibleName(title);
    box->setAccessibleDescription(message);
    return box;
}

} // namespace

void DialogConfirmation::ask(QWidget* over, const Question& question,
                             std::function<void(bool confirmed)> answered) {
    QMessageBox* box =
        newBox(over, QStringLiteral("confirmationDialog"), question.title, question.message);
    QPushButton* cancel = box->addButton(question.cancelText, QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("confirmationCancelButton"));
    QPushButton* confirm =
        box->addButton(question.confirmText, question.destructive ? QMessageBox::DestructiveRole
                                                                  : QMessageBox::AcceptRole);
    confirm->setObjectName(QStringLiteral("confirmationConfirmButton"));
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    // Every way the box closes answers once: a button, Escape, or the window manager's close
    // (which clicks no button and must count as cancelling).
    QObject::connect(box, &QDialog::finished, box,
                     [box, confirm, answered = std::move(answered)](int) {
                         answered(box->clickedButton() == confirm);
                     });
    box->open();
}

void DialogConfirmation::askToSave(QWidget* over, const SaveQuestion& question,
                                   std::function<void(SaveAnswer answer)> answered) {
    QMessageBox* box =
        newBox(over, QStringLiteral("saveQuestionDialog"), question.title, question.message);
    QPushButton* save = box->addButton(question.saveText, QMessageBox::AcceptRole);
    save->setObjectName(QStringLiteral("saveQuestionSaveButton"));
    QPushButton* dontSave = box->addButton(question.dontSaveText, QMessageBox::DestructiveRole);
    dontSave->setObjectName(QStringLiteral("saveQuestionDontSaveButton"));
    QPushButton* cancel = box->addButton(question.cancelText, QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("saveQuestionCancelButton"));
    box->setDefaultButton(save);
    box->setEscapeButton(cancel);
    // However the box goes (a button, Escape, the window manager), it answers once.
    QObject::connect(box, &QDialog::finished, box,
                     [box, save, dontSave, answered = std::move(answered)](int) {
                         QAbstractButton* clicked = box->clickedButton();
                         answered(clicked == save       ? SaveAnswer::Save
                                  : clicked == dontSave ? SaveAnswer::DontSave
                                                        : SaveAnswer::Cancel);
                     });
    box->open();
}
