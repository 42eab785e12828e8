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
