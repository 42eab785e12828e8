#include "transfer/ZipArchive.h"

#include "transfer/TaskControl.h"

#include <QFile>
#include <QLocale>

#include <unzip.h>

namespace {
constexpr int kAnyCase = 2;
}

// Reads the archive's current part and counts what it inflates against the archive's budget.
class ZipArchive::PartDevice final : public QIODevice {
public:
    PartDevice(ZipArchive& archive, qint64 declaredSize)
        : m_archive(archive)
        , m_declaredSize(declaredSize) {}
    ~PartDevice() override { unzCloseCurrentFile(m_archive.m_zip); }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        TaskControl* control = m_archive.m_control;
        if (control && control->isCancelled()) {
            return -1;
        }
        const int read =
            unzReadCurrentFile(m_archive.m_zip, data, unsigned(std::min<qint64>(maxSize, 1 << 20)));
        if (read <= 0) {
            return read;
        }
        m_archive.m_inflated += read;
        m_done += read;
        if (m_archive.m_inflated > m_archive.m_budget) {
            m_archive.m_overBudget = true;
            return -1;
        }
        if (control && m_declaredSize > 0) {
            control->setTotal(m_declaredSize);
            control->setDone(std::min(m_done, m_declaredSize));
        }
        return read;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    ZipArchive& m_archive;
    qint64 m_declaredSize;
    qint64 m_done = 0;
};

ZipArchive::ZipArchive(const QString& path, qint64 inflateBudget, TaskControl* control)
    : m_path(path)
    , m_budget(inflateBudget)
    , m_control(control) {}

ZipArchive::~ZipArchive() {
    if (m_zip) {
        unzClose(m_zip);
    }
}

bool ZipArchive::open(QString* error) {
    m_zip = unzOpen64(QFile::encodeName(m_path).constData());
    if (!m_zip) {
        *error = QStringLiteral("L'archivio del foglio di calcolo è danneggiato o incompleto");
        return false;
    }
    return true;
}

bool ZipArchive::contains(const QString& name) const {
    return unzLocateFile(m_zip, name.toUtf8().constData(), kAnyCase) == UNZ_OK;
}

std::unique_ptr<QIODevice> ZipArchive::part(const QString& name, QString* error) {
    if (!contains(name)) {
        *error = QStringLiteral("Manca la parte %1 del foglio di calcolo").arg(name);
        return nullptr;
    }
    unz_file_info64 info{};
    unzGetCurrentFileInfo64(m_zip, &info, nullptr, 0, nullptr, 0, nullptr, 0);
    // Bit 0 of the flags: the part is encrypted with the zip's own password.
    if (info.flag & 1) {
        *error = QStringLiteral("Il foglio di calcolo è protetto da password: toglila e salvalo "
                                "di nuovo");
        return nullptr;
    }
    if (unzOpenCurrentFile(m_zip) != UNZ_OK) {
        *error = QStringLiteral("La parte %1 del foglio di calcolo è danneggiata").arg(name);
        return nullptr;
    }
    auto device = std::make_unique<PartDevice>(
        *this, qint64(std::min<ZPOS64_T>(info.uncompressed_size, ZPOS64_T(m_budget))));
    device->open(QIODevice::ReadOnly);
    return device;
}

std::optional<QByteArray> ZipArchive::smallPart(const QString& name, qint64 maxBytes) {
    QString error;
    std::unique_ptr<QIODevice> device = part(name, &error);
    if (!device) {
        return std::nullopt;
    }
    QByteArray bytes = device->read(maxBytes + 1);
    if (bytes.size() > maxBytes) {
        return std::nullopt;
    }
    return bytes;
}

QString ZipArchive::stopReason() const {
    if (m_overBudget) {
        return QStringLiteral("Il foglio di calcolo decompresso supera %1 MB: non viene letto "
                              "per non esaurire la memoria")
            .arg(
                QLocale(QLocale::Italian, QLocale::Italy).toString(double(m_budget) / 1e6, 'f', 1));
    }
    if (m_control && m_control->isCancelled()) {
        return QStringLiteral("Lettura annullata");
    }
    return QString();
}
