#include "ui/DialogConfirmation.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

void DialogConfirmation::ask(QWidget* over, const Question& question,
                             std::function<void(bool confirmed)> answered) {
    auto* box = new QMessageBox(over);
    box->setObjectName(QStringLiteral("confirmationDialog"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Warning);
    box->setTextFormat(Qt::PlainText);
    box->setText(question.title);
    box->setInformativeText(question.message);
    // The message quotes names the user typed: the box must never read them as markup (the
    // informative text's label guesses rich text and opens links on its own).
    for (QLabel* label : box->findChildren<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
        label->setOpenExternalLinks(false);
    }
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
    // Every way the box closes answers once: a button, Escape, or the window manager's close
    // (which clicks no button and must count as cancelling).
    QObject::connect(box, &QDialog::finished, box,
                     [box, confirm, answered = std::move(answered)](int) {
                         answered(box->clickedButton() == confirm);
                     });
    box->open();
}
