#pragma once

#include "ui/LiveResultsModel.h"

class ManagedObjectContext;

// One leading row (the "none" or "every" choice, named by the caller; none for an empty
// text), then every stored category by name, each with its colour's dot. A category saved, renamed
// or deleted anywhere shows at once.
class CategoryPickerModel final : public LiveResultsModel {
    Q_OBJECT
public:
    CategoryPickerModel(ManagedObjectContext& context, const QString& leadingText,
                        QObject* parent = nullptr);

protected:
    QVariant dataFor(const ManagedObject& object, int role) const override;
    QVariant leadingData(int row, int role) const override;

private:
    QString m_leadingText;
};
