#pragma once

#include "ui/Palette.h"

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;
class RoundedPanel;

// The client's card in the detail pane: the contact's name, the phone and the e-mail address
// to write to, with the "Promemoria WhatsApp" button while there is a phone and "Promemoria
// Email" while there is an address; without contact and phone, a line saying so. It shows the
// values it is given; the pane builds a new card when they change.
class ClientContactCard final : public QWidget {
    Q_OBJECT
public:
    struct Shown {
        bool hasContact = false;
        QString fullName;
        QString phone; // the phone the reminder goes to; empty when there is none
        QString email; // the contact's address; empty when there is none
        bool operator==(const Shown&) const = default;
    };

    explicit ClientContactCard(const Shown& shown, QWidget* parent = nullptr);

Q_SIGNALS:
    void whatsAppClicked();
    void emailClicked();

protected:
    void changeEvent(QEvent* event) override;

private:
    void buildNoContact(RoundedPanel* card);
    void buildContact(RoundedPanel* card);
    QLayout* buildButtons(QWidget* parent);
    QPushButton* reminderButton(const QString& text, const QString& name, QStringView icon,
                                QWidget* parent);
    ColorName phoneColor() const;
    void applyLook();

    Shown m_shown;
    QLabel* m_none = nullptr;
    QLabel* m_phone = nullptr;
    QLabel* m_phoneIcon = nullptr;
    QLabel* m_emailIcon = nullptr;
    QLabel* m_email = nullptr;
    QPushButton* m_whatsApp = nullptr;
    QPushButton* m_emailButton = nullptr;
};
