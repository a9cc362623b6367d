#pragma once

#include "util/UserError.h"

#include <QString>

#include <string>

class QSaveFile;

// Commits a QSaveFile only when all of its content has reached the file.
// Qt's commit() renames the new file into place even when writing out its
// last buffered bytes fails, as it does on a full disk: a small file would
// replace the earlier one cut short or empty. Here the rest is written out
// and synced first, and any failure leaves the earlier file as it was (the
// new content is discarded when the QSaveFile goes). On failure `reason`
// holds the system's text.
[[nodiscard]] bool commitSaveFile(QSaveFile& file, QString& reason);

// The first half of commitSaveFile: the rest written out and synced, nothing
// renamed yet. Files that must be replaced together are all synced before
// any is renamed, so a full disk fails before the first one is replaced.
[[nodiscard]] bool syncSaveFile(QSaveFile& file, QString& reason);

// The second half: the synced file renamed into place. On Windows a file
// that another program holds open is waited for a few seconds before the
// save gives up.
[[nodiscard]] bool renameSaveFile(QSaveFile& file, QString& reason);

// Whether files can be made in `folder`: the program's own folder is written
// only when they can. On Windows one is made and removed again, since neither
// the folder's attributes nor its access list tell it for a user whose
// administrator rights are held back, as under Program Files.
[[nodiscard]] bool canCreateFilesIn(const QString& folder);

// The error of a file that cannot be written: "Cannot create file "%s". %s".
UserError cannotCreateFile(const QString& path, const QString& reason);

// Writes bytes to a file, replacing it whole: written beside it, then renamed
// over it once every byte reached the disk, so a failure leaves the earlier
// file as it was. Throws UserError "Cannot create file "%s". %s" on failure.
void writeFileAtomically(const QString& path, const std::string& bytes);
