#include "util/ProtectedFile.h"

#include "crypto/Encryption.h"
#include "util/SaveFile.h"
#include "util/UserError.h"

#include <QBuffer>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>
#include <optional>
#include <system_error>

namespace {

std::string fileMessage(const char* action, const QString& name, const QString& reason) {
    const QString path =
        name.isEmpty() ? QStringLiteral("(memory)") : QFileInfo(name).absoluteFilePath();
    return QStringLiteral("Cannot %1 file \"%2\". %3")
        .arg(QLatin1String(action), path, reason)
        .toStdString();
}

QString deviceName(QIODevice& device) {
    if (auto* file = qobject_cast<QFileDevice*>(&device))
        return file->fileName();
    return {};
}

// A Qt device as the container code's stream. Errors are remembered, with
// the device's reason, so they can be reported as the file's error.
class DeviceStream : public CryptStream {
public:
    explicit DeviceStream(QIODevice& device) : m_device(device) {}

    int64_t read(uint8_t* buffer, int64_t count) override {
        const qint64 n = m_device.read(reinterpret_cast<char*>(buffer), count);
        if (n < 0)
            fail("read");
        return n;
    }
    void write(const uint8_t* buffer, int64_t count) override {
        // A short write is an error too: a full disk must not pass as success.
        if (count > 0 && m_device.write(reinterpret_cast<const char*>(buffer), count) != count)
            fail("write");
    }
    int64_t size() override { return m_device.size(); }

    // Rethrows a remembered device error as the user's error.
    void raiseIfFailed() const {
        if (m_failedAction)
            throw UserError(fileMessage(m_failedAction, deviceName(m_device), m_reason));
    }

private:
    [[noreturn]] void fail(const char* action) {
        m_failedAction = action;
        m_reason = m_device.errorString();
        throw CryptStreamError(action);
    }

    QIODevice& m_device;
    const char* m_failedAction = nullptr;
    QString m_reason;
};

std::filesystem::path nativePath(const QString& name) {
#ifdef Q_OS_WIN
    // Narrow names are in the ANSI code page there, which cannot hold every name.
    return std::filesystem::path(name.toStdWString());
#else
    return QFile::encodeName(name).toStdString();
#endif
}

bool sameFile(const QString& a, const QString& b) {
    std::error_code error;
    return std::filesystem::equivalent(nativePath(a), nativePath(b), error) && !error;
}

void openSource(QFile& file) {
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw UserError(fileMessage("open", file.fileName(), file.errorString()));
}

// The source stays open while the destination is made: writing a file over
// itself would destroy what is being read.
void refuseSameFile(const QString& source, const QString& destination) {
    if (sameFile(source, destination))
        throw UserError(
            fileMessage("create", destination, QStringLiteral("It is the file being read.")));
}

void commit(QSaveFile& file) {
    QString reason;
    if (!commitSaveFile(file, reason))
        throw UserError(fileMessage("write", file.fileName(), reason));
}

} // namespace

ProtectedFileResult decryptProtectedDevice(QIODevice& container, QIODevice* plain,
                                           std::string_view passPhrase) {
    TEncryption crypt(passPhrase, ProtectedFileBufferSize);
    DeviceStream source(container);
    std::optional<DeviceStream> destination;
    if (plain)
        destination.emplace(*plain);
    if (crypt.Decrypt(source, destination ? &*destination : nullptr,
                      container.size() - container.pos()))
        return ProtectedFileResult::Ok;
    source.raiseIfFailed();
    if (destination)
        destination->raiseIfFailed();
    switch (crypt.lastFailure()) {
    case CryptFailure::Header:
    case CryptFailure::PassPhraseTooLong:
        return ProtectedFileResult::WrongPassPhrase;
    default:
        return ProtectedFileResult::Damaged;
    }
}

void encryptProtectedDevice(QIODevice& plain, QIODevice& container, std::string_view passPhrase) {
    TEncryption crypt(passPhrase, ProtectedFileBufferSize);
    DeviceStream source(plain);
    DeviceStream destination(container);
    if (crypt.Encrypt(source, destination))
        return;
    source.raiseIfFailed();
    destination.raiseIfFailed();
    // Only an overlong pass phrase fails without a stream error.
    throw UserError(fileMessage("create", deviceName(container),
                                QStringLiteral("The pass phrase is longer than 128 bytes.")));
}

ProtectedFileResult DecryptProtectedFile(const QString& containerName, const QString& plainName,
                                         std::string_view passPhrase) {
    QFile container(containerName);
    openSource(container);
    refuseSameFile(containerName, plainName);
    QFile plain(plainName);
    if (!plain.open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered))
        throw UserError(fileMessage("create", plainName, plain.errorString()));
    ProtectedFileResult result;
    try {
        result = decryptProtectedDevice(container, &plain, passPhrase);
    } catch (...) {
        plain.resize(0);
        throw;
    }
    if (result != ProtectedFileResult::Ok)
        plain.resize(0);
    return result;
}

void EncryptProtectedFile(const QString& plainName, const QString& containerName,
                          std::string_view passPhrase) {
    QFile plain(plainName);
    openSource(plain);
    refuseSameFile(plainName, containerName);
    QSaveFile container(containerName);
    if (!container.open(QIODevice::WriteOnly))
        throw UserError(fileMessage("create", containerName, container.errorString()));
    encryptProtectedDevice(plain, container, passPhrase);
    commit(container);
}

ProtectedFileResult readProtectedFile(const QString& containerName, QByteArray& plain,
                                      std::string_view passPhrase) {
    plain.clear();
    QFile container(containerName);
    openSource(container);
    QBuffer buffer(&plain);
    buffer.open(QIODevice::WriteOnly);
    const ProtectedFileResult result = decryptProtectedDevice(container, &buffer, passPhrase);
    buffer.close();
    if (result != ProtectedFileResult::Ok)
        plain.clear();
    return result;
}

void writeProtectedFile(const QString& containerName, const QByteArray& plain,
                        std::string_view passPhrase) {
    QBuffer buffer;
    buffer.setData(plain);
    buffer.open(QIODevice::ReadOnly);
    QSaveFile container(containerName);
    if (!container.open(QIODevice::WriteOnly))
        throw UserError(fileMessage("create", containerName, container.errorString()));
    encryptProtectedDevice(buffer, container, passPhrase);
    commit(container);
}
