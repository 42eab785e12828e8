#include "PolicyWorld.h"

#include "model/Policy.h"
#include "store/ManagedObjectContext.h"
#include "support/TimeHelpers.h"

#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace {

using TimeHelpers::kDayMs;

const char* const kSyllables[] = {"ba", "ce", "di", "fo", "gu", "la", "me", "ni",
                                  "po", "ra", "si", "to", "va", "ze", "ri", "no",
                                  "ma", "lo", "te", "ca", "sa", "bi", "de", "li"};
const char* const kProviders[] = {
    "Generali", "Allianz", "UnipolSai",  "AXA Italia", "Zurich",     "Reale Mutua", "Cattolica",
    "Groupama", "Sara",    "Vittoria",   "Helvetia",   "Poste Vita", "Genertel",    "Linear",
    "Verti",    "Prima",   "Itas Mutua", "HDI",        "Aviva",      "Intesa Vita"};

} // namespace

QString PolicyWorld::madeUpName(std::mt19937_64& random, int syllables) {
    QString text;
    for (int i = 0; i < syllables; ++i) {
        text += QLatin1String(kSyllables[random() % std::size(kSyllables)]);
    }
    text[0] = text[0].toUpper();
    return text;
}

QString PolicyWorld::madeUpName(std::mt19937_64& random) {
    const int syllables = 2 + int(random() % 3);
    return madeUpName(random, syllables);
}

void PolicyWorld::fill(ManagedObjectContext& context, int count) {
    std::mt19937_64 random(13);
    const char* const reminders[] = {"30", "30, 15, 7", "60, 30", "7"};
    for (int i = 0; i < count; ++i) {
        auto policy = context.insert<Policy>();
        policy->setName(madeUpName(random) + u' ' + madeUpName(random));
        policy->setPolicyNumber(
            QStringLiteral("POL-%1").arg(random() % 1'000'000, 6, 10, QLatin1Char('0')));
        policy->setProvider(QLatin1String(kProviders[random() % std::size(kProviders)]));
        policy->setExpirationDate(
            Instant(kNow.msSinceEpoch() + qint64(random() % (3 * 365 * kDayMs)) - 365 * kDayMs));
        policy->setCustomReminderDays(QLatin1String(reminders[random() % 4]));
    }
    context.save();
}

PolicyWorld::InMemory::InMemory(int count)
    : nullFile(::open("/dev/null", O_WRONLY | O_CLOEXEC))
    , log(nullFile)
    , store(true, clock, log) {
    fill(store.container().viewContext(), count);
}

PolicyWorld::InMemory::~InMemory() {
    ::close(nullFile);
}
