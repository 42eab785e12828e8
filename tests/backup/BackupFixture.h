#pragma once

#include "support/RawSqlite.h"
#include "support/StoreFixture.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

// Stores of a known size for the backup tests, and what a test reads back from the files.
class BackupFixture : public StoreFixture {
protected:
    // A store file of `policies` policies (each with a small document) and `contacts` contacts,
    // closed once written; `tag` names every policy.
    void makeStore(const QString& path, int policies, int contacts,
                   const QString& tag = QStringLiteral("p")) {
        auto controller = open(path);
        ManagedObjectContext& context = controller->container().viewContext();
        for (int i = 0; i < contacts; ++i) {
            auto contact = context.insert<Contact>();
            contact->setFirstName(QStringLiteral("Anna"));
            contact->setLastName(QStringLiteral("Rossi %1").arg(i));
        }
        for (int i = 0; i < policies; ++i) {
            auto policy = insertPolicy(context, tag + u'-' + QString::number(i));
            policy->setPdfData(QByteArray(3000 + i, char('a' + i % 26)));
        }
        ASSERT_TRUE(context.save());
    }

    // The names of the policies in a store, read as the program reads it.
    QStringList policyNames(const QString& path) {
        auto controller = open(path);
        QStringList names;
        for (const auto& policy :
             controller->container().viewContext().fetch(Policy::fetchRequest())) {
            names << policy->name();
        }
        names.sort();
        return names;
    }

    static mode_t modeOf(const QString& path) {
        struct stat info {};
        ::stat(QFile::encodeName(path).constData(), &info);
        return info.st_mode & 07777;
    }

    static QStringList filesIn(const QString& folder) {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QString backupFolder() const { return m_dir.filePath(QStringLiteral("backups")); }
};
