#pragma once

#include "model/Category.h"
#include "model/Contact.h"
#include "model/Event.h"
#include "model/PersistenceController.h"
#include "model/Policy.h"
#include "model/Task.h"
#include "platform/LogChannel.h"
#include "support/ManualClock.h"
#include "support/TimeHelpers.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <memory>

// A test's private folder, a fixed clock and a log that the test reads back: each test opens
// controllers on files of its own and sees every line they write.
class StoreFixture : public ::testing::Test {
public:
    // A policy with every required value set, ready to save.
    static std::shared_ptr<Policy>
    insertPolicy(ManagedObjectContext& context, const QString& name,
                 Instant expiry = TimeHelpers::utc("2030-01-01T00:00:00Z")) {
        auto policy = context.insert<Policy>();
        policy->setName(name);
        policy->setPolicyNumber(QStringLiteral("N-") + name);
        policy->setProvider(QStringLiteral("Generali"));
        policy->setExpirationDate(expiry);
        return policy;
    }

protected:
    StoreFixture() {
        m_logFile.open();
        m_log = std::make_unique<LogChannel>(m_logFile.handle());
    }

    QString storePath(const QString& name = QStringLiteral("QuintaverModel.sqlite")) const {
        return m_dir.filePath(name);
    }
    std::unique_ptr<PersistenceController> open(const QString& path) {
        return std::make_unique<PersistenceController>(path, m_clock, *m_log);
    }
    std::unique_ptr<PersistenceController> openInMemory() {
        return std::make_unique<PersistenceController>(true, m_clock, *m_log);
    }

    QStringList logLines() const {
        QFile file(m_logFile.fileName());
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    static QByteArray fileDigest(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return QByteArray("missing");
        }
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }

    QTemporaryDir m_dir;
    ManualClock m_clock{TimeHelpers::utc("2026-03-10T09:30:00Z"), QTimeZone("Europe/Rome")};
    QTemporaryFile m_logFile;
    std::unique_ptr<LogChannel> m_log;
};

// The same, for tests that take a parameter.
template <typename Param>
class StoreFixtureWith : public StoreFixture, public ::testing::WithParamInterface<Param> {};
