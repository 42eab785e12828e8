#include "policies/PolicyListModel.h"
#include "model/ClientNotice.h"
#include "policies/PolicyListRow.h"
#include "store/ManagedObjectContext.h"
#include "support/CaseName.h"
#include "support/ModelMirror.h"
#include "support/StoreFixture.h"
#include "ui/ItemDataRole.h"
#include "ui/Palette.h"

#include <QAbstractItemModelTester>
#include <QImage>
#include <QPainter>
#include <QStyleOptionViewItem>

#include <random>

namespace {

using TimeHelpers::kDayMs;
using TimeHelpers::kHourMs;
using TimeHelpers::utc;

class PolicyListModelTest : public StoreFixture {
protected:
    void SetUp() override { m_controller = openInMemory(); }
    ManagedObjectContext& context() { return m_controller->container().viewContext(); }
    std::shared_ptr<Policy> add(const QString& name, qint64 fromNowMs, const char* days,
                                const QString& provider = QStringLiteral("Generali")) {
        auto policy =
            insertPolicy(context(), name, Instant(m_clock.now().msSinceEpoch() + fromNowMs));
        policy->setProvider(provider);
        policy->setCustomReminderDays(QString::fromUtf8(days));
        policy->setReminderDays(10);
        return policy;
    }
    std::unique_ptr<PersistenceController> m_controller;
};

struct ListCase {
    PolicyFilter filter;
    const char* search;
    QStringList shown;
};

void PrintTo(const ListCase& c, std::ostream* out) {
    const char* const filters[] = {"all", "expiring soon", "expired", "to notify"};
    *out << filters[int(c.filter)] << " searching \"" << c.search << '"';
}

class PolicyListCases : public PolicyListModelTest,
                        public ::testing::WithParamInterface<ListCase> {};

// Every policy the rules tell apart at 2026-03-10 10:30 in Rome, each case a filter and a
// search: the rows listed, in expiry order; the counters count every policy whatever both are.
TEST_P(PolicyListCases, ListsWhatTheFilterAndSearchAdmit) {
    add(QStringLiteral("Ieri"), -kDayMs - kHourMs, "30");
    add(QStringLiteral("Oggi"), kHourMs, "30");
    add(QStringLiteral("Vuota"), 10 * kDayMs, ",", QStringLiteral("AxA Italia"));
    add(QStringLiteral("CASA blu"), 15 * kDayMs, "15, 7");
    add(QStringLiteral("Oltre"), 16 * kDayMs, "15, 7", QStringLiteral("Unipol"));
    add(QStringLiteral("Caffè"), 400 * kDayMs, "30", QStringLiteral("Poste"));
    ASSERT_TRUE(context().save());

    PolicyListModel model(context(), m_clock);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setFilter(GetParam().filter);
    model.setSearchText(QString::fromUtf8(GetParam().search));
    EXPECT_EQ(shownTitles(model), GetParam().shown);
    EXPECT_EQ(model.expiringCount(), 3);
    EXPECT_EQ(model.expiredCount(), 1);
    EXPECT_EQ(model.totalCount(), 6);

    // Only a policy expiring soon has a remaining-days line, today's with 0.
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row);
        const QString name = index.data(TitleRole).toString();
        const QString note = index.data(NoteRole).toString();
        if (name == u"Oggi") {
            EXPECT_EQ(note, QStringLiteral("0g rimanenti"));
            EXPECT_EQ(index.data(ColorNameRole).toString(), QStringLiteral("orange"));
            EXPECT_EQ(index.data(Qt::AccessibleTextRole).toString(),
                      QStringLiteral("Oggi, Generali, Mar 10, 2026, IN SCADENZA, 0g rimanenti"));
        } else if (name == u"CASA blu") {
            EXPECT_EQ(note, QStringLiteral("15g rimanenti"));
        } else if (name == u"Ieri" || name == u"Oltre" || name == u"Caffè") {
            EXPECT_EQ(note, QString()) << name.toStdString();
        }
    }
}

const QStringList kAll = {"Ieri", "Oggi", "Vuota", "CASA blu", "Oltre", "Caffè"};
INSTANTIATE_TEST_SUITE_P(
    Cases, PolicyListCases,
    ::testing::Values(
        ListCase{PolicyFilter::All, "", kAll},
        ListCase{PolicyFilter::ExpiringSoon, "", {"Oggi", "Vuota", "CASA blu"}},
        ListCase{PolicyFilter::Expired, "", {"Ieri"}},
        // Letter case ignored in the name and in a provider of mixed case, accents not.
        ListCase{PolicyFilter::All, "casa", {"CASA blu"}},
        ListCase{PolicyFilter::All, "axa", {"Vuota"}}, ListCase{PolicyFilter::All, "caffe", {}},
        ListCase{PolicyFilter::All, "CAFFÈ", {"Caffè"}},
        // The number is searched too; a blank is a search, matched where a blank is.
        ListCase{PolicyFilter::All, "n-olt", {"Oltre"}},
        ListCase{PolicyFilter::All, " ", {"Vuota", "CASA blu"}},
        // No match across the end of one field and the start of the next.
        ListCase{PolicyFilter::All, "ieriN", {}}, ListCase{PolicyFilter::Expired, "o", {}},
        ListCase{PolicyFilter::ExpiringSoon, "BLU", {"CASA blu"}}),
    CaseName());

// The category picker narrows the list together with the status filter and the search, and
// follows a policy filed elsewhere and a category deleted (its policies keep no category).
TEST_F(PolicyListModelTest, TheCategoryFilterCombinesWithTheOthersAndFollowsChanges) {
    const auto category = [this](const QString& name, const QString& color) {
        auto made = context().insert<Category>();
        made->setName(name);
        made->setColor(color);
        return made;
    };
    const auto autoLine = category(QStringLiteral("Auto"), QStringLiteral("red"));
    const auto home = category(QStringLiteral("Casa"), QStringLiteral("fucsia"));
    add(QStringLiteral("Ieri"), -kDayMs - kHourMs, "30")->setCategory(autoLine);
    add(QStringLiteral("Oggi"), kHourMs, "30")->setCategory(home);
    add(QStringLiteral("Vuota"), 10 * kDayMs, "30")->setCategory(autoLine);
    const auto oltre = add(QStringLiteral("Oltre"), 400 * kDayMs, "30");
    oltre->setCategory(autoLine);
    add(QStringLiteral("Nessuna"), 500 * kDayMs, "30");
    ASSERT_TRUE(context().save());

    PolicyListModel model(context(), m_clock);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setCategory(autoLine.get());
    EXPECT_EQ(shownTitles(model), (QStringList{"Ieri", "Vuota", "Oltre"}));
    model.setFilter(PolicyFilter::ExpiringSoon);
    EXPECT_EQ(shownTitles(model), QStringList{"Vuota"});
    model.setFilter(PolicyFilter::All);
    model.setSearchText(QStringLiteral("o"));
    EXPECT_EQ(shownTitles(model), (QStringList{"Vuota", "Oltre"}));
    model.setSearchText(QString());
    EXPECT_EQ(model.index(0).data(CategoryColorRole).toString(), QStringLiteral("red"));

    oltre->setCategory(home);
    ASSERT_TRUE(context().save());
    EXPECT_EQ(shownTitles(model), (QStringList{"Ieri", "Vuota"}));
    model.setCategory(home.get());
    EXPECT_EQ(shownTitles(model), (QStringList{"Oggi", "Oltre"}));
    // A change not saved, and taken back.
    oltre->setCategory(nullptr);
    EXPECT_EQ(shownTitles(model), QStringList{"Oggi"});
    context().rollback();
    EXPECT_EQ(shownTitles(model), (QStringList{"Oggi", "Oltre"}));
    // A colour name the palette does not know is kept as it is (and drawn blue).
    EXPECT_EQ(model.index(0).data(CategoryColorRole).toString(), QStringLiteral("fucsia"));

    context().deleteObject(home.get());
    ASSERT_TRUE(context().save());
    EXPECT_EQ(oltre->category(), nullptr);
    EXPECT_EQ(shownTitles(model), QStringList());
    model.setCategory(nullptr);
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_FALSE(model.index(1).data(CategoryColorRole).isValid());
    EXPECT_EQ(model.expiringCount(), 2);
}

// Letter case as the user's language has it (in Turkish the capital of "ı" is "I" and that
// of "i" is "İ"), folded in full ("ß" is "ss"); accents kept however the text was composed.
TEST(PolicyListFilter, FoldsLetterCaseAsTheLocaleDoesButKeepsAccents) {
    const auto finds = [](QLocale::Language language, const QString& search, const QString& name) {
        const QLocale locale(language);
        PolicyListFilter rule(locale);
        rule.setSearchText(search);
        return rule.admits(PolicyStatus::Active, false,
                           PolicyListFilter::searchKeys(name, QString(), QString(), locale));
    };
    const QString decomposed = QStringLiteral("Caffe\u0300 Roma");
    EXPECT_TRUE(finds(QLocale::English, "irmak", "IRMAK"));
    EXPECT_FALSE(finds(QLocale::Turkish, "irmak", "IRMAK"));
    EXPECT_TRUE(finds(QLocale::Turkish, "ırmak", "IRMAK"));
    EXPECT_TRUE(finds(QLocale::Turkish, "istanbul", "İSTANBUL"));
    EXPECT_TRUE(finds(QLocale::Italian, "perché", "PERCHÉ"));
    EXPECT_FALSE(finds(QLocale::Italian, "perche", "PERCHÉ"));
    EXPECT_TRUE(finds(QLocale::Italian, "caffè", decomposed));
    EXPECT_TRUE(finds(QLocale::Italian, QStringLiteral("CAFFE\u0300"), "caffè"));
    EXPECT_FALSE(finds(QLocale::Italian, "caffe", decomposed));
    EXPECT_FALSE(finds(QLocale::Italian, "caffe", "caffè"));
    EXPECT_TRUE(finds(QLocale::German, "STRASSE", "Straße"));
    EXPECT_TRUE(finds(QLocale::German, "straße", "STRASSE"));
    EXPECT_TRUE(finds(QLocale::German, "ss", "GROẞ"));
    EXPECT_TRUE(finds(QLocale::Turkish, "STRASSE", "Straße"));
    EXPECT_TRUE(finds(QLocale::English, "FILE", "ﬁle"));
    // The same Greek letter with its accent and iota subscript, the marks in either order.
    EXPECT_TRUE(finds(QLocale::Greek, "ᾴ", QStringLiteral("\u03B1\u0345\u0301")));
    // Yoruba's "ọ̀" has no composed form: "ọ" alone is another letter.
    EXPECT_TRUE(finds(QLocale::Yoruba, "Ọ̀", "ọ̀yọ́"));
    EXPECT_FALSE(finds(QLocale::Yoruba, "ọ", "ọ̀yọ́"));
    EXPECT_TRUE(finds(QLocale::Yoruba, "ọ", "ọ̀yọ"));
}

// The status as each policy's own rule gives it, and the search as a caseless match: the list
// a fresh fetch and filter would show.
std::vector<ManagedObject*> freshlyFiltered(ManagedObjectContext& context, PolicyFilter filter,
                                            const QString& search, std::array<int, 4>& counts) {
    FetchRequest<Policy> request = Policy::fetchRequest();
    request.setSortDescriptors({SortDescriptor{QStringLiteral("expirationDate"), true}});
    counts = {};
    std::vector<ManagedObject*> shown;
    for (const auto& policy : context.fetch(request)) {
        const PolicyStatus status = policy->isExpired()        ? PolicyStatus::Expired
                                    : policy->isExpiringSoon() ? PolicyStatus::ExpiringSoon
                                                               : PolicyStatus::Active;
        ++counts[size_t(status)];
        counts[3] += policy->needsClientNotice() ? 1 : 0;
        const bool found = search.isEmpty() || containsCaseless(policy->name(), search) ||
                           containsCaseless(policy->policyNumber(), search) ||
                           containsCaseless(policy->provider(), search);
        if (PolicyFilters::admits(filter, status, policy->isClientNotified()) && found) {
            shown.push_back(policy.get());
        }
    }
    return shown;
}

// Random inserts, changes that move rows, take them in or out of the filter or the search,
// deletes, saves, rollbacks and changes of the filter and search: after each step the rows a
// view rebuilt from the model's signals are those of a fresh filtered fetch, the counters
// match, and the model tester (fatal) finds every signal consistent.
TEST_F(PolicyListModelTest, FollowsRandomChangesWithAFilterAndASearchOn) {
    PolicyListModel model(context(), m_clock);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const ModelMirror seen(model);

    std::mt19937 random(20261207);
    auto pick = [&](int bound) { return int(random() % unsigned(bound)); };
    auto name = [&] { return namePiece(pick(12)) + namePiece(pick(12)); };
    auto expiry = [&] { return Instant(m_clock.now().msSinceEpoch() + (pick(80) - 20) * kDayMs); };
    const char* days[] = {"30", "7", ",", "-1", "15, 3"};
    std::array<int, 4> counts{};
    for (int step = 0; step < 600; ++step) {
        std::vector<std::shared_ptr<Policy>> all = context().fetch(Policy::fetchRequest());
        const int action = all.empty() ? 0 : pick(10);
        std::shared_ptr<Policy> policy = all.empty() ? nullptr : all[size_t(pick(int(all.size())))];
        switch (action) {
        case 0:
        case 1:
            add(name(), 0, days[pick(5)])->setExpirationDate(expiry());
            break;
        case 2:
            policy->setExpirationDate(expiry());
            break;
        case 3:
            policy->setName(name());
            break;
        case 4:
            policy->setCustomReminderDays(QString::fromUtf8(days[pick(5)]));
            policy->setLastNotified(pick(3) == 0 ? std::nullopt : std::optional(expiry()));
            break;
        case 5:
            context().deleteObject(policy.get());
            break;
        case 6:
            ASSERT_TRUE(context().save());
            break;
        case 7:
            context().rollback();
            break;
        case 8:
            model.setFilter(PolicyFilters::kAllCases[size_t(pick(4))]);
            break;
        default: {
            // Typing on, erasing, or a new text; now and then none, to list every row.
            const QString text = model.searchText();
            const int how = pick(4);
            model.setSearchText(how == 0   ? text + namePiece(pick(12))
                                : how == 1 ? text.left(text.size() - 1)
                                : how == 2 ? namePiece(pick(12))
                                           : QString());
        }
        }
        const std::vector<ManagedObject*> expected =
            freshlyFiltered(context(), model.filter(), model.searchText(), counts);
        ASSERT_EQ(seen.rows(), expected) << "step " << step << ", action " << action;
        ASSERT_EQ(model.expiringCount(), counts[size_t(PolicyStatus::ExpiringSoon)]);
        ASSERT_EQ(model.expiredCount(), counts[size_t(PolicyStatus::Expired)]);
        ASSERT_EQ(model.toNotifyCount(), counts[3]);
        ASSERT_EQ(model.totalCount(), counts[0] + counts[1] + counts[2]);
    }
}

// Left open overnight: statuses, rows and counters follow the clock across midnight, each
// policy changing at its expiry's own time of day.
TEST_F(PolicyListModelTest, FollowsTheClockAcrossMidnight) {
    m_clock.jumpTo(utc("2026-03-10T23:30:00+01:00"));
    insertPolicy(context(), QStringLiteral("Scade"), utc("2026-03-09T23:45:00+01:00"));
    insertPolicy(context(), QStringLiteral("Entra"), utc("2026-04-11T00:05:00+02:00"));
    insertPolicy(context(), QStringLiteral("Resta"), utc("2026-04-11T00:20:00+02:00"));
    ASSERT_TRUE(context().save());
    PolicyListModel model(context(), m_clock);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setFilter(PolicyFilter::ExpiringSoon);
    EXPECT_EQ(shownTitles(model), QStringList{"Scade"});
    EXPECT_EQ(model.expiredCount(), 0);

    m_clock.advanceTo(utc("2026-03-11T00:10:00+01:00"));
    EXPECT_EQ(shownTitles(model), QStringList{"Entra"});
    EXPECT_EQ(model.index(0).data(NoteRole).toString(), QStringLiteral("30g rimanenti"));
    EXPECT_EQ(model.expiringCount(), 1);
    EXPECT_EQ(model.expiredCount(), 1);

    m_clock.jumpTo(utc("2026-03-11T00:25:00+01:00"));
    EXPECT_EQ(shownTitles(model), (QStringList{"Entra", "Resta"}));
}

// The abbreviated date each locale writes, from its own long format.
TEST_F(PolicyListModelTest, WritesTheAbbreviatedDateOfTheLocale) {
    insertPolicy(context(), QStringLiteral("Casa"), utc("2026-03-01T12:00:00Z"));
    const std::pair<QLocale, QString> cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), QStringLiteral("Mar 1, 2026")},
        {QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("1 mar 2026")},
        {QLocale(QLocale::German, QLocale::Germany), QStringLiteral("1. März 2026")},
        {QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("2026年3月1日")},
    };
    for (const auto& [locale, text] : cases) {
        m_clock.setLocale(locale);
        PolicyListModel model(context(), m_clock);
        EXPECT_EQ(model.index(0).data(DetailRole).toString(), text) << locale.name().toStdString();
    }
}

// Rows of one height, the stripe in the status colour, the selected row on the accent, all in
// the colours of the palette the row is painted with: one delegate follows a light or dark
// look that changes under it.
TEST_F(PolicyListModelTest, PaintsRowsOfOneHeightInTheirStatusColour) {
    insertPolicy(context(), QStringLiteral("Oggi"),
                 Instant(m_clock.now().msSinceEpoch() + kHourMs));
    PolicyListModel model(context(), m_clock);
    PolicyListRow row;
    QStyleOptionViewItem option;
    EXPECT_EQ(row.sizeHint(option, model.index(0)).height(), PolicyListRow::kRowHeight);
    for (const QPalette& palette : {Palette::light(), Palette::dark(), Palette::light()}) {
        for (const bool selected : {false, true}) {
            QImage image(320, PolicyListRow::kRowHeight, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            option.rect = image.rect();
            option.state = selected ? QStyle::State_Selected : QStyle::State_None;
            option.palette = palette;
            QPainter painter(&image);
            row.paint(&painter, option, model.index(0));
            painter.end();
            const auto has = [&](QColor color) {
                for (int y = 0; y < image.height(); ++y) {
                    for (int x = 0; x < image.width(); ++x) {
                        if (image.pixel(x, y) == color.rgba()) {
                            return true;
                        }
                    }
                }
                return false;
            };
            const bool dark = Palette::isDark(palette);
            EXPECT_TRUE(has(Palette::color(ColorName::Orange, palette))) << dark;
            EXPECT_EQ(has(Palette::color(ColorName::Accent, palette)), selected) << dark;
        }
    }
}

// "Da Avvisare": expiring soon, and the client not told since the policy turned so.
TEST_F(PolicyListModelTest, ToNotifyListsExpiringPoliciesWhoseClientWasNotToldInTheWindow) {
    const qint64 now = m_clock.now().msSinceEpoch();
    const auto told = [](const std::shared_ptr<Policy>& policy, qint64 at) {
        policy->setLastNotified(Instant(at));
    };
    told(add(QStringLiteral("Oggi avvisata"), kHourMs, "30"), now);
    add(QStringLiteral("Al limite"), 15 * kDayMs + kHourMs, "15");
    // Its window opened six days ago: a day before that is too early, an hour after counts.
    told(add(QStringLiteral("Troppo presto"), 10 * kDayMs, "15"), now - 7 * kDayMs);
    told(add(QStringLiteral("In tempo"), 10 * kDayMs + kHourMs, "15"),
         now - 6 * kDayMs + 2 * kHourMs);
    add(QStringLiteral("Scaduta"), -2 * kDayMs, "30");
    auto later = add(QStringLiteral("Domani in scadenza"), 16 * kDayMs + kHourMs, "15");
    ASSERT_TRUE(context().save());

    PolicyListModel model(context(), m_clock);
    model.setFilter(PolicyFilter::ToNotify);
    EXPECT_EQ(shownTitles(model),
              (QStringList{QStringLiteral("Troppo presto"), QStringLiteral("Al limite")}));
    EXPECT_EQ(model.toNotifyCount(), 2);
    EXPECT_EQ(model.expiringCount(), 4);

    // Told now: the row leaves the filter and the counter.
    auto first = std::static_pointer_cast<Policy>(model.objectAt(0)->shared_from_this());
    first->setLastNotified(ClientNotice::stamped(m_clock.now(), ClientNotice::Channel::Email));
    ASSERT_TRUE(context().save());
    EXPECT_EQ(shownTitles(model), QStringList{QStringLiteral("Al limite")});
    EXPECT_EQ(model.toNotifyCount(), 1);
    model.setFilter(PolicyFilter::ExpiringSoon);
    EXPECT_TRUE(model.index(0).data(NotifiedRole).toBool());

    // A day on, the next policy turns expiring soon with its client not told.
    model.setFilter(PolicyFilter::ToNotify);
    m_clock.advanceTo(Instant(now + kDayMs));
    EXPECT_EQ(shownTitles(model),
              (QStringList{QStringLiteral("Al limite"), QStringLiteral("Domani in scadenza")}));
    EXPECT_EQ(model.toNotifyCount(), 2);
    later->setLastNotified(m_clock.now());
    ASSERT_TRUE(context().save());
    EXPECT_EQ(model.toNotifyCount(), 1);
}

} // namespace
