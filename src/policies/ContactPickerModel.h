#pragma once

#include "ui/LiveResultsModel.h"

class ManagedObjectContext;

// "Nessuno", then every stored contact by last name, as the policy editor's picker lists them:
// each row shows the contact's full name. A contact saved anywhere appears at once.
class ContactPickerModel final : public LiveResultsModel {
    Q_OBJECT
public:
    explicit ContactPickerModel(ManagedObjectContext& context, QObject* parent = nullptr);

protected:
    QVariant dataFor(const ManagedObject& object, int role) const override;
    QVariant leadingData(int row, int role) const override;
};
