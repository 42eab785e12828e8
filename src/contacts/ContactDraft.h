#pragma once

#include <QString>

#include <memory>

class Contact;
class ManagedObjectContext;

// The six texts of a contact as the editor holds them while the user types: plain values,
// so that cancelling leaves the store untouched.
struct ContactDraft {
    QString firstName;
    QString lastName;
    QString email;
    QString phoneNumber;
    QString company;
    QString notes;

    // The contact's texts; an absent optional text reads as empty.
    static ContactDraft of(const Contact& contact);

    bool operator==(const ContactDraft&) const = default;

    // Both names hold at least one character (blanks count; nothing is trimmed).
    bool hasNames() const { return !firstName.isEmpty() && !lastName.isEmpty(); }

    // The names as typed; an empty optional text makes the attribute absent, any other is
    // stored as typed.
    void writeInto(Contact& contact) const;

    // Writes into `contact`, or into a new contact when it is null, and saves the context.
    // The new or changed contact, or null with `error` set when the save failed; the context
    // is then rolled back to its last save.
    std::shared_ptr<Contact> save(ManagedObjectContext& context, std::shared_ptr<Contact> contact,
                                  QString* error) const;
};
