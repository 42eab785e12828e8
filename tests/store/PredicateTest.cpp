#include "store/Predicate.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

namespace {

// A one-entity model: a text, an instant, a boolean and an integer.
const EntityDescription& thing() {
    static const EntityDescription* entity = [] {
        auto* e = new EntityDescription;
        e->setName(QStringLiteral("Thing"));
        std::vector<EntityDescription::Property> properties;
        for (const auto& [name, type] :
             std::vector<std::pair<QString, AttributeType>>{{"name", AttributeType::String},
                                                            {"when", AttributeType::Date},
                                                            {"done", AttributeType::Boolean},
                                                            {"count", AttributeType::Integer32}}) {
            auto attribute = std::make_unique<AttributeDescription>();
            attribute->setName(name);
            attribute->setAttributeType(type);
            properties.push_back(std::move(attribute));
        }
        e->setProperties(std::move(properties));
        return e;
    }();
    return *entity;
}

struct Case {
    const char* format;
    std::vector<Value> arguments;
    std::vector<Value> values; // name, when, done, count
    bool matches;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.format << (c.matches ? " matches" : " does not match");
}

class PredicateCases : public ::testing::TestWithParam<Case> {};

} // namespace

TEST_P(PredicateCases, EvaluatesAsTheFrameworkDoes) {
    const Case& c = GetParam();
    const Predicate predicate =
        Predicate::format(QString::fromUtf8(c.format), c.arguments).boundTo(thing());
    ASSERT_TRUE(predicate.isValid()) << predicate.errorString().toStdString();
    EXPECT_EQ(predicate.evaluate(c.values), c.matches) << c.format;
}

INSTANTIATE_TEST_SUITE_P(
    Predicate, PredicateCases,
    ::testing::Values(
        Case{"when >= %@", {Instant(5)}, {Value(), Instant(5), false, qint64(0)}, true},
        Case{"when >= %@", {Instant(5)}, {Value(), Instant(4), false, qint64(0)}, false},
        // An absent value is neither less nor greater than anything, and equals only nil.
        Case{"when >= %@", {Instant(5)}, {Value(), Value(), false, qint64(0)}, false},
        Case{"when < %@", {Instant(5)}, {Value(), Value(), false, qint64(0)}, false},
        Case{"when == nil", {}, {Value(), Value(), false, qint64(0)}, true},
        Case{"when != nil", {}, {Value(), Instant(0), false, qint64(0)}, true},
        Case{"done == NO AND (when == nil OR when >= %@)",
             {Instant(5)},
             {Value(), Instant(9), false, qint64(0)},
             true},
        Case{"done == NO AND (when == nil OR when >= %@)",
             {Instant(5)},
             {Value(), Value(), true, qint64(0)},
             false},
        Case{"done == 0", {}, {Value(), Value(), false, qint64(0)}, true},
        Case{"NOT done = YES && count > -2", {}, {Value(), Value(), false, qint64(-1)}, true},
        Case{"count =< 3 || name == 'x'",
             {},
             {QStringLiteral("x"), Value(), false, qint64(9)},
             true},
        Case{"name > \"Z\"",
             {},
             {QString::fromUtf8("\xf0\x9f\x8f\xa0"), Value(), false, qint64(0)},
             true},
        Case{"name == %@", {QString()}, {Value(), Value(), false, qint64(0)}, false},
        Case{"TRUEPREDICATE", {}, {Value(), Value(), false, qint64(0)}, true},
        Case{"when >= %@ AND when <= %@",
             {Instant(1), Instant(3)},
             {Value(), Instant(3), false, qint64(0)},
             true}),
    CaseName());

TEST(Predicate, TellsWhyAFormatCannotBeRead) {
    for (const char* format : {"when >=", "(when == nil", "when ~ 3", "when >= %@ extra", ""}) {
        const Predicate predicate = Predicate::format(QString::fromUtf8(format), {Instant(1)});
        EXPECT_FALSE(predicate.isValid()) << format;
        EXPECT_FALSE(predicate.errorString().isEmpty());
        EXPECT_FALSE(predicate.evaluate({Value(), Value(), false, qint64(0)}));
    }
    EXPECT_FALSE(Predicate::format(QStringLiteral("size == 3")).boundTo(thing()).isValid());
}
