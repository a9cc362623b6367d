#include "app/FNews.h"

#include "app/AppEnvironment.h"
#include "app/ErrorReporting.h"
#include "app/widgets/SafeHtmlView.h"
#include "brand/BrandProfile.h"
#include "format/TextCodec.h"
#include "net/HttpClient.h"
#include "net/NewsDetails.h"
#include "net/NewsProtocol.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr int kClientWidth = 682;
constexpr int kClientHeight = 411;
constexpr int kListHeight = 105;
constexpr int kButtonBarHeight = 41;
constexpr QRect kExitButton{304, 7, 97, 20};

// A selection model that asks before every change and does nothing when refused.
class GuardedSelectionModel : public QItemSelectionModel {
public:
    GuardedSelectionModel(QAbstractItemModel* model, QObject* parent, std::function<bool()> refuse)
        : QItemSelectionModel(model, parent), m_refuse(std::move(refuse)) {}

    void select(const QModelIndex& index, SelectionFlags command) override {
        if (!m_refuse())
            QItemSelectionModel::select(index, command);
    }
    void select(const QItemSelection& selection, SelectionFlags command) override {
        if (!m_refuse())
            QItemSelectionModel::select(selection, command);
    }
    void setCurrentIndex(const QModelIndex& index, SelectionFlags command) override {
        if (!m_refuse())
            QItemSelectionModel::setCurrentIndex(index, command);
    }
    void clearCurrentIndex() override {
        if (!m_refuse())
            QItemSelectionModel::clearCurrentIndex();
    }
    // From now on nothing is refused and nobody is asked.
    void release() {
        m_refuse = [] { return false; };
    }

private:
    std::function<bool()> m_refuse;
};

// The hourglass over the list, the view and the window until the end of the
// scope, however it ends.
class BusyCursors {
public:
    explicit BusyCursors(std::initializer_list<QWidget*> widgets) : m_widgets(widgets) {
        for (QWidget* widget : m_widgets)
            widget->setCursor(Qt::WaitCursor);
    }
    ~BusyCursors() {
        for (QWidget* widget : m_widgets)
            widget->unsetCursor();
    }
    BusyCursors(const BusyCursors&) = delete;
    BusyCursors& operator=(const BusyCursors&) = delete;

private:
    std::vector<QWidget*> m_widgets;
};

} // namespace

TfrmNews::TfrmNews(const QStringList& newsList, Services services, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_newsList(newsList), m_services(std::move(services)) {
    setObjectName(QStringLiteral("frmNews"));
    setWindowTitle(QStringLiteral("News"));
    resize(kClientWidth, kClientHeight);

    panList = new QWidget;
    panList->setObjectName(QStringLiteral("panList"));
    auto* listLayout = new QVBoxLayout(panList);
    listLayout->setContentsMargins(0, 0, 0, 0);
    lvwItems = new QTreeWidget;
    lvwItems->setObjectName(QStringLiteral("lvwItems"));
    lvwItems->setColumnCount(2);
    lvwItems->setHeaderLabels({QStringLiteral("News Title"), QStringLiteral("Published")});
    lvwItems->setRootIsDecorated(false);
    lvwItems->setUniformRowHeights(true);
    lvwItems->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwItems->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwItems->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lvwItems->header()->setStretchLastSection(false);
    lvwItems->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lvwItems->header()->setSectionResizeMode(1, QHeaderView::Fixed);
    lvwItems->header()->resizeSection(1, 160);
    QFont listFont(QStringLiteral("Arial"));
    listFont.setPixelSize(14);
    lvwItems->setFont(listFont);
    // The selection stays as visible when the list loses the focus.
    QPalette listPalette = lvwItems->palette();
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText})
        listPalette.setColor(QPalette::Inactive, role, listPalette.color(QPalette::Active, role));
    lvwItems->setPalette(listPalette);
    QItemSelectionModel* plain = lvwItems->selectionModel();
    lvwItems->setSelectionModel(new GuardedSelectionModel(lvwItems->model(), lvwItems,
                                                          [this] { return lvwItemsChanging(); }));
    delete plain;
    listLayout->addWidget(lvwItems);

    // A news text comes from the news server: it is shown, never followed.
    prfEditorNews = new SafeHtmlView;
    prfEditorNews->setObjectName(QStringLiteral("prfEditorNews"));

    splNews = new QSplitter(Qt::Vertical);
    splNews->setObjectName(QStringLiteral("splNews"));
    splNews->setHandleWidth(10);
    splNews->setChildrenCollapsible(false);
    panList->setMinimumHeight(10);
    prfEditorNews->setMinimumHeight(10);
    splNews->addWidget(panList);
    splNews->addWidget(prfEditorNews);
    splNews->setStretchFactor(1, 1);
    splNews->setSizes({kListHeight, kClientHeight - kListHeight - 10 - kButtonBarHeight});

    panButtons = new QWidget;
    panButtons->setObjectName(QStringLiteral("panButtons"));
    panButtons->setFixedHeight(kButtonBarHeight);
    btnExit = new QPushButton(QStringLiteral("Close"), panButtons);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    btnExit->setGeometry(kExitButton);
    panButtons->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(splNews, 1);
    layout->addWidget(panButtons);

    using errors::guarded;
    connect(lvwItems->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            guarded([this] { lvwItemsChange(); }));
    connect(btnExit, &QPushButton::clicked, this, guarded([this] { btnExitClick(); }));
    connect(prfEditorNews, &QTextBrowser::anchorClicked, this,
            guarded([this](const QUrl& url) { openLink(m_services.openUrl, url); }));
}

TfrmNews::~TfrmNews() {
    // The list goes only with the base class, after this part of the window:
    // it must no longer ask or tell it anything.
    QItemSelectionModel* selection = lvwItems->selectionModel();
    QObject::disconnect(selection, nullptr, this, nullptr);
    if (auto* guarded = dynamic_cast<GuardedSelectionModel*>(selection))
        guarded->release();
}

QString TfrmNews::itemId(const QTreeWidget& list, int row) {
    const QTreeWidgetItem* item = list.topLevelItem(row);
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

void TfrmNews::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    FormShow();
}

void TfrmNews::FormShow() {
    for (const QString& entry : m_newsList) {
        // id ^ title ^ date; an entry with fewer pieces shows what it has.
        const QStringList pieces = entry.split(u'^');
        auto* item = new QTreeWidgetItem(lvwItems);
        item->setText(0, pieces.value(1));
        item->setText(1, pieces.value(2));
        item->setData(0, Qt::UserRole, pieces.value(0));
    }
    lvwItems->clearSelection();
    lvwItems->setCurrentItem(nullptr);
}

void TfrmNews::lvwItemsChange() {
    const QList<QTreeWidgetItem*> selected = lvwItems->selectedItems();
    if (selected.isEmpty())
        return;
    const QString id = selected.first()->data(0, Qt::UserRole).toString();

    m_busy = true;
    struct Idle {
        TfrmNews& form;
        ~Idle() {
            form.m_busy = false;
            if (form.m_closeWhenIdle)
                form.QDialog::done(*std::exchange(form.m_closeWhenIdle, std::nullopt));
        }
    } idle{*this};
    const BusyCursors cursors{lvwItems->viewport(), prfEditorNews->viewport(), this};

    const auto tier = news::tierOf(BrandProfile);
    if (!tier)
        return;
    QString details;
    if (!GetNewsDetails(tier->publisherId, BrandProfile.BranderCode, tier->code,
                        std::string(news::NewsTarget), id, details))
        return; // the warning is shown; the previous text stays
    showDetails(details);
    m_services.SaveLastNewsId(id);
}

bool TfrmNews::GetNewsDetails(const std::string& publisherId, const std::string& branderCode,
                              const std::string& tierCode, const std::string& newsTarget,
                              const QString& newsId, QString& details) {
    std::string text;
    const bool ok = news::GetNewsDetails(
        m_services.httpMain, BrandProfile, publisherId, branderCode, tierCode, newsTarget,
        textcodec::toUtf8(newsId), text, [this](std::string_view message) {
            m_services.msgMain.show(MessageKind::Warning, MessageButtons::Ok,
                                    textcodec::fromUtf8(message));
        });
    details = textcodec::decodeToQString(text);
    return ok;
}

void TfrmNews::showDetails(const QString& details) {
    const news::DetailsView view = news::detailsView(textcodec::toUtf8(details));
    if (view.html) {
        prfEditorNews->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        prfEditorNews->setHtml(details);
        return;
    }
    prfEditorNews->setWordWrapMode(view.breakAnywhere ? QTextOption::WrapAnywhere
                                                      : QTextOption::WrapAtWordBoundaryOrAnywhere);
    QString shown = textcodec::fromUtf8(view.text);
    if (view.cut)
        shown += QStringLiteral("\n\n(This news item is too long to be shown whole.)");
    prfEditorNews->setPlainText(shown);
}

void TfrmNews::btnExitClick() {
    accept();
}

void TfrmNews::done(int result) {
    if (m_busy) {
        m_closeWhenIdle = result;
        return;
    }
    QDialog::done(result);
}

bool TfrmNews::eventFilter(QObject* watched, QEvent* event) {
    // The Close button keeps its place relative to the bar's width.
    if (watched == panButtons && event->type() == QEvent::Resize) {
        const int centre =
            (kExitButton.left() + kExitButton.width() / 2) * panButtons->width() / kClientWidth;
        btnExit->move(centre - kExitButton.width() / 2, kExitButton.top());
    }
    return QDialog::eventFilter(watched, event);
}
