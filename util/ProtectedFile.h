#pragma once

#include <QByteArray>
#include <QString>

#include <string_view>

class QIODevice;

// Protected files: the encrypted container the brand profile is kept in
// (salt, pass-phrase verifier, AES counter-mode ciphertext, HMAC-SHA1 code).
//
// Every routine throws UserError when a file cannot be opened, created, read
// or written; the texts are "Cannot open file "%s". %s", "Cannot create file
// "%s". %s", "Cannot read file "%s". %s" and "Cannot write file "%s". %s"
// with the full path and the system's reason. What the file holds is
// reported by the result instead.

// The program's own pass phrase and work buffer.
inline constexpr std::string_view ProtectedFilePassPhrase = "rqtnvwhzep";
inline constexpr int ProtectedFileBufferSize = 262144;

enum class ProtectedFileResult {
    Ok,
    WrongPassPhrase, // the verifier differs: another pass phrase, or not a protected file
    Damaged,         // the authentication code differs, or the file ends too early
};

// Decrypts the container into the plain file, which is created or replaced.
// Anything but Ok leaves the plain file empty, so damaged data is never
// taken for the real thing. When the container cannot be opened the plain
// file is neither created nor truncated; the plain file may not be the
// container itself ("Cannot create file").
[[nodiscard]] ProtectedFileResult
DecryptProtectedFile(const QString& containerName, const QString& plainName,
                     std::string_view passPhrase = ProtectedFilePassPhrase);

// Encrypts the plain file into the container. The container is written to a
// temporary file beside it and renamed over it when complete: after an error
// the earlier container is still there, whole.
void EncryptProtectedFile(const QString& plainName, const QString& containerName,
                          std::string_view passPhrase = ProtectedFilePassPhrase);

// The same in memory, without a plain copy on disk. `plain` is empty unless
// the result is Ok. Writing is atomic as above.
[[nodiscard]] ProtectedFileResult
readProtectedFile(const QString& containerName, QByteArray& plain,
                  std::string_view passPhrase = ProtectedFilePassPhrase);
void writeProtectedFile(const QString& containerName, const QByteArray& plain,
                        std::string_view passPhrase = ProtectedFilePassPhrase);

// Between open devices, from their current positions, for callers that look
// after the files themselves. The container is read up to its end. With no
// plain device the container is only checked. The plain device receives the
// data before the code is checked: on anything but Ok it must be discarded.
[[nodiscard]] ProtectedFileResult
decryptProtectedDevice(QIODevice& container, QIODevice* plain,
                       std::string_view passPhrase = ProtectedFilePassPhrase);
void encryptProtectedDevice(QIODevice& plain, QIODevice& container,
                            std::string_view passPhrase = ProtectedFilePassPhrase);
