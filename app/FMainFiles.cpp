#include "app/ErrorReporting.h"
#include "app/FMain.h"
#include "app/MainWindowParts.h"

#include "util/UserError.h"
#include "wizard/Configuration.h"
#include "wizard/OutputWriter.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>

// The main window: Finish and the configuration files.

using namespace mainwindow;

// --- the generator ----------------------------------------------------------

void TfrmMain::btnFinishClick() {
    if (rbtSaveWeb->isChecked()) {
        // A loaded configuration may name anything: only a file of its own in the output folder.
        if (output::checkOutputName(textcodec::toUtf8(edtFilename->text())) !=
            output::OutputNameProblem::None) {
            msgMain.information(QStringLiteral("Please provide a valid output filename."));
            return;
        }
        GenerateCode(true);
    } else if (rbtClipboard->isChecked()) {
        const std::string snippet = GenerateCode(false);
        QGuiApplication::clipboard()->setText(fromUtf8(snippet));
    }
}

std::string TfrmMain::GenerateCode(bool samplePage) {
    static const QString kUploadReminder =
        QStringLiteral("Please don't forget to also upload the info.js and infostyle.css files "
                       "located in the Output folder.");
    const QString base = m_env.outputBase();
    const QString folder =
        output::outputFolderFor(base, output::makeStamp(m_env.now(), m_env.locale));
    const output::GenerateResult result =
        output::generateCode(settings(), folder, base + QStringLiteral("Output"), samplePage);
    if (!result.folderCreated) {
        msgMain.error(
            QStringLiteral("Can't create the output folder! Check the output path you provided."));
        return std::string();
    }
    // "The Output folder" is beside the program only; elsewhere the user is told where.
    const QString uploadReminder =
        m_env.userFolders
            ? QStringLiteral("Please don't forget to also upload the info.js and infostyle.css "
                             "files located in the folder ") +
                  QDir::toNativeSeparators(result.folder) + u'.'
            : kUploadReminder;
    if (samplePage) {
        msgMain.information(QStringLiteral("You have successful saved your file as:") +
                            QStringLiteral("\n\r") + QDir::toNativeSeparators(result.samplePage) +
                            QStringLiteral("\n\r") + uploadReminder);
    } else {
        memElement->setPlainText(fromUtf8(result.snippet));
        msgMain.information(QStringLiteral("You have successful generate your code!") +
                            QStringLiteral("\n\r") + uploadReminder);
    }
    return result.snippet;
}

// --- configuration files ----------------------------------------------------

namespace {

const QString kSettingsFilter = QStringLiteral("Settings files (*.set)|*.set");

// Loading sets each field through its control, so every change rule runs as
// the value arrives.
class WindowTarget : public ConfigurationTarget {
public:
    explicit WindowTarget(TfrmMain& window) : w(window) {}

    void set(const SettingField& field, const FieldValue& value) override {
        // A value its control does not take (a font that is not installed)
        // leaves the control as it was, which is what loading asks for.
        static_cast<void>(w.setField(field, value));
    }

private:
    TfrmMain& w;
};

} // namespace

void TfrmMain::SaveConfiguration(const QString& fileName) {
    configuration::saveFile(settings(), fileName);
}

bool TfrmMain::LoadConfiguration(const QString& fileName) {
    WindowTarget target(*this);
    return configuration::loadFile(fileName, target);
}

void TfrmMain::btnSaveClick() {
    const QString fileName =
        m_env.dialogs->saveFile(this, QStringLiteral("Save file"), kSettingsFilter);
    if (fileName.isEmpty())
        return;
    SaveConfiguration(fileName);
    msgMain.information(QStringLiteral("Configuration saved successfully!"));
}

void TfrmMain::openConfiguration(const QString& fileName) {
    // The dialog offers only existing files; one removed in between loads
    // nothing and the button still reports its load as done.
    static_cast<void>(LoadConfiguration(fileName));
    msgMain.information(QStringLiteral("Configuration loaded successfully!"));
}

void TfrmMain::openArguments(const QStringList& arguments) {
    if (arguments.size() < 2)
        return;
    // A name on the command line was never checked by a dialog: a file that
    // is not there is said so instead of being reported as loaded.
    const auto open = [this, fileName = arguments[1]] {
        if (!QFileInfo(fileName).isFile())
            throw UserError("Cannot open file \"" +
                            textcodec::toUtf8(QDir::toNativeSeparators(fileName)) +
                            "\". No such file.");
        openConfiguration(fileName);
    };
    // Once the window is up, so that its messages show over it and what the
    // loading throws reaches the general handler.
    QTimer::singleShot(0, this, errors::guarded(open));
}

void TfrmMain::btnLoadClick() {
    const QString fileName =
        m_env.dialogs->openFile(this, QStringLiteral("Open file"), kSettingsFilter);
    if (fileName.isEmpty())
        return;
    openConfiguration(fileName);
}
