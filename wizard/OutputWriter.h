#pragma once

#include "wizard/InfoBoxSettings.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <string>

// Writing what the generator builds: the time-stamped output folder, the
// style sheet, the script, the sample page and the copy of a local picture.
namespace output {

// The folder stamp: date in the short date format and time in the long time
// format (no time at exactly midnight), joined by a blank, with every ':',
// '/' and blank then replaced by '_'. "M/d/yyyy" and "h:mm:ss AP" give
// 12_25_2008_2_30_05_PM for 25 December 2008, 14:30:05.
QString makeStamp(const QDateTime& when, const QString& dateFormat, const QString& timeFormat,
                  const QLocale& locale);

// The same with the locale's own short date and long time formats (without
// the time zone, which has no place in a folder name).
QString makeStamp(const QDateTime& when, const QLocale& locale);

// ExeFolder + "Output/Info_" + stamp.
QString outputFolderFor(const QString& exeFolder, const QString& stamp);

// The names of the generated script and style sheet.
inline constexpr char ScriptFileName[] = "info.js";
inline constexpr char StyleSheetFileName[] = "infostyle.css";

// What is wrong with a sample page name: the page is written into the output
// folder under exactly that name, so it must be one file name that does not
// replace a generated file.
enum class OutputNameProblem {
    None,
    Blank,         // blanks and control characters only
    FolderPart,    // names a folder, or a way out of the output folder
    GeneratedFile, // info.js or infostyle.css, in any letter case
    Control,       // a line break or another control character among other characters
};
OutputNameProblem checkOutputName(const std::string& name);

// Whether two file names name the same file on every platform the output may
// be copied to: letter case, and trailing dots and blanks, do not count.
bool sameFileName(const QString& a, const QString& b);

// Whether the image target names an existing local file, tested on the text as typed.
bool isLocalPictureFile(const std::string& image);

struct GenerateResult {
    bool folderCreated = false;
    QString folder;      // the output folder, without a trailing separator
    QString samplePage;  // folder + separator + Output, when a sample page was asked for
    std::string snippet; // empty when the folder could not be created
    // The file name of the copy of a local picture, empty when none was made.
    // It differs from the picture's own name when that would have replaced a
    // generated file.
    QString pictureCopy;
};

// Creates `folder` with its parents, writes infostyle.css and info.js, copies
// a local picture of an image target into `pictureFolder` (in the accessible
// style into `folder` itself, as its page names the copy), builds the snippet
// and, when `samplePage` is set, writes the sample page named by Output
// (which the caller has checked with checkOutputName; an unchecked name that
// is not a plain file name throws UserError before anything is written).
// A folder that cannot be created gives folderCreated false and writes
// nothing. A file that cannot be written throws UserError "Cannot create
// file ..." and the run leaves nothing behind: every file is created before
// any is written and all reach the disk before any replaces an earlier one,
// and a folder the run created goes again.
[[nodiscard]] GenerateResult generateCode(const InfoBoxSettings& settings, const QString& folder,
                                          const QString& pictureFolder, bool samplePage);

} // namespace output
