#pragma once

#include "app/AppEnvironment.h"
#include "app/MessageService.h"
#include "wizard/InfoBoxSettings.h"
#include "wizard/SettingFields.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class ClickableLabel;
class ColorBox;
struct ControlBinding;
class FontNameBox;
class HttpClient;
class MainNetwork;
class NewsHint;
class NumberEdit;
class PreviewShape;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTextBrowser;
class QTimer;
class QToolButton;

// The main window: the welcome page, the four wizard pages with their live
// preview, and the tool, banner, wizard and link bars. It owns every control
// and all state of the running program; the settings live in the controls.
class TfrmMain : public QWidget {
    Q_OBJECT
public:
    explicit TfrmMain(AppEnvironment env, QWidget* parent = nullptr);
    ~TfrmMain() override;

    const AppEnvironment& environment() const { return m_env; }

    // --- settings, read from and written to their controls ---------------
    InfoBoxSettings settings() const;
    int wizardPage() const; // 1 ... 4
    // Makes a wizard page current; a page outside 1 ... 4 or the current one changes nothing.
    void showWizardPage(int page);

    // Writing a field sets its control, whose change rule then runs. setField
    // does it for any row of kSettingFields; false when the control cannot hold
    // the value (a font name its list lacks).
    [[nodiscard]] bool setField(const SettingField& field, const FieldValue& value);
    void setBorder(int value);
    void setBoxWidth(int value);
    void setBorderColor(Color color);
    void setHBgColor(Color color);
    void setHColor(Color color);
    // Selects the font list entry of that name (letter case not significant);
    // false when the list does not hold it (the previous font stays).
    [[nodiscard]] bool setHName(const QString& name);
    void setHSize(int size);
    void setHBold(bool on);
    void setHUnderline(bool on);
    void setHItalic(bool on);
    void setBBgColor(Color color);
    void setBColor(Color color);
    [[nodiscard]] bool setBName(const QString& name);
    void setBSize(int size);
    void setBBold(bool on);
    void setBUnderline(bool on);
    void setBItalic(bool on);
    void setTarget(TargetKind kind);
    void setLinkText(const QString& text);
    void setLinkURL(const QString& text);
    void setImage(const QString& text);
    void setHeaderText(const QString& text);
    void setBoldText(const QString& text);
    void setBodyText(const QString& text); // lines separated by CR LF
    void setOutputFormat(OutputChoice choice);
    void setOutput(const QString& text);
    void setScriptStyle(ScriptChoice style);

    // Configuration files: all saved settings, written and read back. Loading
    // a file that does not exist changes nothing and gives false.
    void SaveConfiguration(const QString& fileName);
    [[nodiscard]] bool LoadConfiguration(const QString& fileName);
    // Loads a configuration and says so: the Load button, once a file is chosen.
    void openConfiguration(const QString& fileName);
    // The program's arguments: a configuration file named after the program
    // (the desktop passes the one the user opened) is opened once events run.
    void openArguments(const QStringList& arguments);

    // Writes the output for the current settings; returns the element snippet
    // (empty when the output folder could not be created).
    std::string GenerateCode(bool samplePage);

    // The installed scalable fonts, sorted, read once per run.
    static const QStringList& installedFontNames();

    // --- controls ----------------------------------------------------------
    QStackedWidget* pgcPrinc = nullptr;
    QWidget* stsWelcome = nullptr;
    QTextBrowser* prfWelcome = nullptr;
    QPushButton* btnThanks = nullptr;
    QWidget* stsMain = nullptr;

    QWidget* panTools = nullptr;
    QPushButton* btnLoad = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnMakeMoney = nullptr;
    QPushButton* btnAbout = nullptr;
    QToolButton* btnNews = nullptr;
    QToolButton* btnUpdate = nullptr;
    QToolButton* btnHelp = nullptr;

    QWidget* panBanner = nullptr;
    ClickableLabel* imgBanner = nullptr;
    ClickableLabel* gifBanner = nullptr;

    QStackedWidget* ntbMain = nullptr;
    QWidget* panWizard = nullptr;
    QPushButton* btnBack = nullptr;
    QPushButton* btnNext = nullptr;

    QWidget* panLinks = nullptr;
    ClickableLabel* lblLink1URL = nullptr;
    ClickableLabel* lblLink2URL = nullptr;

    // Page 1: the box's look and its preview.
    NumberEdit* edtBorder = nullptr;
    NumberEdit* edtWidth = nullptr;
    ColorBox* cbxBrdColor = nullptr;
    ColorBox* cbxHBgColor = nullptr;
    ColorBox* cbxHColor = nullptr;
    FontNameBox* cbxHName = nullptr;
    QSpinBox* cbxHSize = nullptr;
    QCheckBox* chkHBold = nullptr;
    QCheckBox* chkHUnderline = nullptr;
    QCheckBox* chkHItalic = nullptr;
    ColorBox* cbxBBgColor = nullptr;
    ColorBox* cbxBColor = nullptr;
    FontNameBox* cbxBName = nullptr;
    QSpinBox* cbxBSize = nullptr;
    QCheckBox* chkBBold = nullptr;
    QCheckBox* chkBUnderline = nullptr;
    QCheckBox* chkBItalic = nullptr;
    PreviewShape* Shape1 = nullptr;
    PreviewShape* Shape2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;

    // Page 2: the target element.
    QRadioButton* rbtLink = nullptr;
    QRadioButton* rbtImage = nullptr;
    QRadioButton* rbtCell = nullptr;
    QRadioButton* rbtLayer = nullptr;
    QLineEdit* edtLinkText = nullptr;
    QLineEdit* edtLinkURL = nullptr;
    QLineEdit* edtImage = nullptr;
    QPushButton* btnBrowseImage = nullptr;

    // Page 3: the texts.
    QLineEdit* edtHeaderText = nullptr;
    QLineEdit* edtBoldText = nullptr;
    QPlainTextEdit* memBodyText = nullptr;

    // Page 4: the output.
    QRadioButton* rbtSaveWeb = nullptr;
    QRadioButton* rbtClipboard = nullptr;
    QRadioButton* rbtClassicScript = nullptr;
    QRadioButton* rbtAccessibleScript = nullptr;
    QLineEdit* edtFilename = nullptr;
    QPlainTextEdit* memHead = nullptr;
    QPlainTextEdit* memElement = nullptr;
    QPushButton* btnFinish = nullptr;

    QTimer* Timer1 = nullptr;
    MessageService msgMain;
    // The HTTP client (its waits keep the event loop running) and the news balloon.
    std::unique_ptr<HttpClient> httpMain;
    NewsHint* hintNews = nullptr;
    // The news button, the update check and the start-up check.
    std::unique_ptr<MainNetwork> network;

    // News entries (id, title and date joined by "^"), as received.
    QStringList NewsList;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The control that holds each row of kSettingFields: how settings() reads
    // it and how setField() sets it (FMainSettings.cpp).
    static const std::vector<ControlBinding>& controlBindings();

    void buildWindow();
    QWidget* buildToolBar();
    QWidget* buildBannerStrip();
    QWidget* buildWizardBar();
    QWidget* buildLinksBar();
    QWidget* buildWelcomePage();
    QWidget* buildSettingsPage();
    QWidget* buildTargetPage();
    QWidget* buildContentPage();
    QWidget* buildOutputPage();
    void connectHandlers();

    void FormCreate();
    void FormShow();
    void LoadBrandProfile();
    void centreBanners();
    void placePictureButtons();
    void placeLinkLabels();

    // Handlers.
    void btnThanksClick();
    void btnNextClick();
    void btnBackClick();
    void ntbMainPageChanged();
    void btnFinishClick();
    void btnSaveClick();
    void btnLoadClick();
    void btnMakeMoneyClick();
    void btnHelpClick();
    void btnAboutClick();
    void imgBannerClick();
    void lblLinkClick(ClickableLabel* label);
    void showBanner(int number);
    void btnBrowseImageClick();
    void Timer1Timer();
    void btnNewsClick();
    void btnUpdateClick();
    void edtBorderChange();
    void cbxBrdColorChange();
    void cbxHBgColorChange();
    void cbxBBgColorChange();
    void cbxHColorChange();
    void cbxBColorChange();
    void cbxHNameChange();
    void cbxBNameChange();
    void cbxHSizeChange();
    void cbxBSizeChange();
    void chkHStyleClick();
    void chkBBoldClick();
    void chkBStyleClick();
    void rbtTargetClick();

    AppEnvironment m_env;

public:
    // Folder of the running executable, with a trailing separator: the
    // environment's, read through this name.
    const QString& ExeFolder = m_env.exeFolder;

private:
    QButtonGroup* m_targetGroup = nullptr;
    QButtonGroup* m_outputGroup = nullptr;
    bool m_shown = false;
};
