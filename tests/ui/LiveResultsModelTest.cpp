#include "ui/LiveResultsModel.h"
#include "store/LiveFetchResults.h"
#include "support/ModelMirror.h"
#include "support/StoreFixture.h"
#include "ui/ItemDataRole.h"

#include <QAbstractItemModelTester>

#include <random>

namespace {

using LiveResultsModelTest = StoreFixture;

// Random inserts, changes that move rows or take them in or out of the predicate, in-place
// changes, deletes, saves and rollbacks: after each, the rows a view rebuilt from the
// signals are those a fresh fetch finds, and the Qt model tester (fatal mode) finds every
// signal consistent.
TEST_F(LiveResultsModelTest, ForwardsEveryChangeOneToOne) {
    auto controller = open(storePath());
    ManagedObjectContext& context = controller->container().viewContext();
    FetchRequestBase request{Contact::entityName()};
    request.setPredicate(Predicate::format(QStringLiteral("company != nil"), {}));
    request.setSortDescriptors({{QStringLiteral("lastName")}, {QStringLiteral("firstName")}});
    LiveResultsModel model(std::make_unique<LiveFetchResults>(context, request));
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_TRUE(model.performFetch());

    const ModelMirror seen(model);

    std::mt19937 random(20261207);
    auto pick = [&](int bound) { return int(random() % unsigned(bound)); };
    auto name = [&] { return QString(QChar(u'A' + pick(8))) + QString::number(pick(5)); };
    auto company = [&] {
        return pick(3) == 0 ? std::nullopt : std::optional<QString>(QStringLiteral("Ditta"));
    };
    for (int step = 0; step < 400; ++step) {
        std::vector<std::shared_ptr<Contact>> all = context.fetch(Contact::fetchRequest());
        const int action = all.empty() ? 0 : pick(7);
        std::shared_ptr<Contact> contact =
            all.empty() ? nullptr : all[size_t(pick(int(all.size())))];
        switch (action) {
        case 0: {
            auto added = context.insert<Contact>();
            added->setFirstName(name());
            added->setLastName(name());
            added->setCompany(company());
            break;
        }
        case 1:
            contact->setLastName(name());
            break;
        case 2:
            contact->setCompany(company());
            break;
        case 3:
            contact->setNotes(name());
            break;
        case 4:
            context.deleteObject(contact.get());
            break;
        case 5:
            ASSERT_TRUE(context.save());
            break;
        default:
            context.rollback();
        }
        std::vector<ManagedObject*> expected;
        for (const auto& object : context.execute(request)) {
            expected.push_back(object.get());
        }
        ASSERT_EQ(seen.rows(), expected) << "step " << step << ", action " << action;
        ASSERT_EQ(model.rowCount(), int(expected.size()));
        if (!expected.empty()) {
            EXPECT_EQ(model.data(model.index(0), ObjectRole).value<ManagedObject*>(), expected[0]);
        }
    }
}

} // namespace
