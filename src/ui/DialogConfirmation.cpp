#include "ui/DialogConfirmation.h"

#include <QMessageBox>
#include <QPushButton>

void DialogConfirmation::ask(QWidget* over, const Question& question,
                             std::function<void(bool confirmed)> answered) {
    auto* box = new QMessageBox(over);
    box->setObjectName(QStringLiteral("confirmationDialog"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Warning);
    box->setText(question.title);
    box->setInformativeText(question.message);
    box->setAccessibleName(question.title);
    box->setAccessibleDescription(question.message);
    QPushButton* cancel = box->addButton(question.cancelText, QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("confirmationCancelButton"));
    QPushButton* confirm =
        box->addButton(question.confirmText, question.destructive ? QMessageBox::DestructiveRole
                                                                  : QMessageBox::AcceptRole);
    confirm->setObjectName(QStringLiteral("confirmationConfirmButton"));
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    QObject::connect(box, &QMessageBox::buttonClicked, box,
                     [confirm, answered = std::move(answered)](QAbstractButton* button) {
                         answered(button == confirm);
                     });
    box->open();
}

void DialogConfirmation::askToSave(QWidget* over, const SaveQuestion& question,
                                   std::function<void(SaveAnswer answer)> answered) {
    auto* box = new QMessageBox(over);
    box->setObjectName(QStringLiteral("saveQuestionDialog"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Warning);
    box->setTextFormat(Qt::PlainText);
    box->setText(question.title);
    box->setInformativeText(question.message);
    box->setAccessibleName(question.title);
    box->setAccessibleDescription(question.message);
    QPushButton* save = box->addButton(question.saveText, QMessageBox::AcceptRole);
    save->setObjectName(QStringLiteral("saveQuestionSaveButton"));
    QPushButton* dontSave = box->addButton(question.dontSaveText, QMessageBox::DestructiveRole);
    dontSave->setObjectName(QStringLiteral("saveQuestionDontSaveButton"));
    QPushButton* cancel = box->addButton(question.cancelText, QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("saveQuestionCancelButton"));
    box->setDefaultButton(save);
    box->setEscapeButton(cancel);
    // However the box goes (a button, Escape, the window manager), it answers once.
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, save, dontSave, answered = std::move(answered)] {
                         QAbstractButton* clicked = box->clickedButton();
                         answered(clicked == save       ? SaveAnswer::Save
                                  : clicked == dontSave ? SaveAnswer::DontSave
                                                        : SaveAnswer::Cancel);
                     });
    box->open();
}
