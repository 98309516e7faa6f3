#include "mainwindow/tform1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "deployment.h"
#include "mainwindow/bannerrotation.h"
#include "mainwindow/chartcommands.h"
#include "mainwindow/databasecaption.h"
#include "mainwindow/demorotation.h"
#include "mainwindow/headerband.h"
#include "mainwindow/helptexts.h"
#include "mainwindow/linkmenus.h"
#include "mainwindow/mdiarrange.h"
#include "mainwindow/newsticker.h"
#include "mainwindow/playercommands.h"
#include "mainwindow/queryfilecommands.h"
#include "mainwindow/querystepscommands.h"
#include "mainwindow/starthint.h"
#include "mainwindow/taboutbox.h"
#include "mainwindow/tform13.h"
#include "mainwindow/tform16.h"
#include "mainwindow/tform17.h"
#include "mainwindow/viewcommands.h"
#include "mainwindow/viewmenustate.h"
#include "platform/busycursor.h"
#include "printing/printcontroller.h"
#include "printing/tform15.h"
#include "protocol/httpcli.h"
#include "protocol/usageevent.h"
#include "query/bandsettings.h"
#include "query/queryoperations.h"
#include "query/tbtnbottomdlg.h"
#include "query/tbtnrightdlg.h"
#include "query/tbtnrightdlg1.h"
#include "query/tform10.h"
#include "query/tform11.h"
#include "query/tform6.h"
#include "startup/applyproxy.h"
#include "startup/tform14.h"
#include "startup/versioncheck.h"
#include "views/databaseviews.h"

namespace {

// The working files of the banner rotation, from earlier runs.
void deleteBannerFiles() {
    QFile::remove(QStringLiteral("temp.gif"));
    for (int i = 1; i <= 8; ++i) {
        QFile::remove(QStringLiteral("temp%1.gif").arg(i));
    }
}

} // namespace

TForm1::TForm1(const CoBrandConfig& config, const ServiceHosts& hosts, const FtpTarget& ftp,
               const QString& newsSite, QWidget* parent)
    : QMainWindow(parent), m_config(config), m_hosts(hosts), m_ftp(ftp),
      m_httpCli1(new THttpCli(this)) {
    setObjectName(QStringLiteral("Form1"));
    m_httpCli1->setObjectName(QStringLiteral("HttpCli1"));
    m_httpCli1->setURL(m_hosts.Primary + VersionCheck::Path());
    setWindowTitle(QStringLiteral("Korvex! Baseball Database for the Internet"));
    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    new StartHint(m_mdiArea);
    m_menu = buildMainMenu(menuBar(), this);
    buildHeader(newsSite);
    connectMenu();
    connectWindowMenu(m_menu, m_mdiArea);
    connectQueryCommands();
    FormCreate();
}

TForm1::~TForm1() {
    // The database windows go while this window is still whole: their close
    // reaches the menu and the usage event.
    closeChildrenLastFirst(m_mdiArea);
    // The rotation goes before the flags and site value it reads.
    m_banners.reset();
}

void TForm1::buildHeader(const QString& newsSite) {
    // The header band lies above the area of the database windows, so
    // maximised, tiled and cascaded windows all stay below it.
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_header = new HeaderBand(central);
    layout->addWidget(m_header);
    layout->addWidget(m_mdiArea, 1);
    setCentralWidget(central);

    const QString root = newsSite.isEmpty()
                             ? QStringLiteral("http://%1/").arg(QLatin1String(deployment::NewsHost))
                             : newsSite;
    m_ticker = new NewsTicker(m_header, root, this);
    m_linkMenus = new LinkMenus(m_menu, this);
    m_demo = new DemoRotation(m_config, root, this);
    connect(m_header, &HeaderBand::usageEvent, this, &TForm1::usageEvent);
    connect(m_linkMenus, &LinkMenus::usageEvent, this, &TForm1::usageEvent);
    connect(m_demo, &DemoRotation::stepped, this, &TForm1::DemoStepShown);
    // Link clicks of the header and the link menus are reported like the
    // database windows' events.
    connect(this, &TForm1::usageEvent, this, &TForm1::PostUsageEvent);
}

void TForm1::SetLinkOpener(const LinkOpener& opener) {
    m_header->setLinkOpener(opener);
    m_linkMenus->setLinkOpener(opener);
    m_ticker->setLinkOpener(opener);
    m_openLink = opener;
    if (m_banners) {
        m_banners->setLinkOpener(opener);
    }
}

void TForm1::FormCreate() {
    m_demo->Reset();
    m_openedThisRun = {0, 0, 0, 0};
    m_welcomeShown = false;
    m_views = {};
    // Banner state back to the start: no slot served, nothing pending, the
    // co-brand banner settings, Timer3 running.
    m_banners = std::make_unique<BannerRotation>(
        AdSettings{m_config.AdRequestTemplate, m_config.AdClickTemplate, m_config.AdSlotsPerView},
        m_openedThisRun, m_siteValue);
    connect(m_banners.get(), &BannerRotation::usageEvent, this, &TForm1::PostUsageEvent);
    m_banners->setLinkOpener(m_openLink);
    // The proxy, when it is on at this moment (the banner client never).
    ApplyProxySettings(m_proxySettings, {m_httpCli1, m_ticker->HttpCli2, m_ticker->HttpCli3,
                                         m_ticker->BaseballArticleGaffle, m_ticker->SummaryGank});
    if (m_config.DemoMode) {
        m_demo->Start();
    }
    m_header->ShowSisterLogos(m_config.SisterLogosEnabled);
    deleteBannerFiles();
    if (m_config.TickerEnabled) {
        m_ticker->StartupValues();
    }
    m_updateRequired = false; // the version check sets it when this copy is out of date
    // Default row colours of the database windows: blue and red, and the
    // Fielders band mode back to the player.
    SharedBandSettings().FirstColor = BandSettings::Blue;
    SharedBandSettings().SecondColor = BandSettings::Red;
    FielderBandSettings() = BandSettings{};
    m_updateRequired =
        VersionCheck::Run(*m_httpCli1, m_hosts.Primary, m_config.SiteId, m_config.VersionText);
    if (m_config.AdSettingsQueryEnabled) {
        m_banners->RunAdSettingsQuery(*m_httpCli1, m_hosts.Mirror2, m_config.SiteId);
    }
    m_banners->StartRotation();
    if (m_config.TickerEnabled) {
        // A news site that cannot be reached leaves the ticker empty; the
        // rest of the creation goes on.
        m_ticker->FetchNews();
    } else {
        m_ticker->HideControls();
    }
    ApplyCoBrand();
    StartPing(m_ftp).Run();
}

ServiceHosts TForm1::HostsWithProxy() const {
    ServiceHosts hosts = m_hosts;
    hosts.Proxy = ProxyRouteOf(m_proxySettings);
    return hosts;
}

void TForm1::SetProxySettings(const ProxySettings& settings) {
    m_proxySettings = settings;
    ApplyProxySettings(m_proxySettings, {m_httpCli1, m_ticker->HttpCli2, m_ticker->HttpCli3,
                                         m_ticker->BaseballArticleGaffle, m_ticker->SummaryGank});
}

void TForm1::PostUsageEvent(const QString& text) {
    if (auto* sender = findChild<TForm6*>()) {
        sender->PostLine(text);
    }
}

void TForm1::ApplyCoBrand() {
    m_header->ApplyColourAndHeight(m_config);
    if (m_config.LogoEnabled) {
        m_header->LoadLogo(QStringLiteral("logo.bmp"));
    } else {
        m_header->HideLogo();
    }
    // The copy of the site identity that database windows and usage events use.
    m_siteValue = m_config.SiteId;
    setWindowTitle(m_config.WindowTitle);
    m_linkMenus->Apply(m_config, m_siteValue);
    if (m_config.HeaderEnabled) {
        m_header->PlaceToolbarLinks(m_config, m_siteValue);
    }
}

void TForm1::Reposition() {
    m_header->HideToolbarLinks();
    m_linkMenus->HideAll();
    m_header->ApplyColourAndHeight(m_config);
    m_siteValue = m_config.SiteId;
    const QList<QMdiSubWindow*> children = m_mdiArea->subWindowList(QMdiArea::CreationOrder);
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        const int database = databaseFromCaption((*it)->windowTitle());
        if (database < 0) {
            continue;
        }
        if (StatisticsView* view = m_views[static_cast<std::size_t>(database)]) {
            view->Label2->setText(m_siteValue);
        }
    }
    setWindowTitle(m_config.WindowTitle);
    if (m_config.HeaderEnabled) {
        m_header->PlaceToolbarLinks(m_config, m_siteValue);
    }
}

void TForm1::DemoStepShown(int step) {
    if (step == 0) {
        m_header->LoadLogo(QStringLiteral("logo.bmp"));
    } else {
        m_header->ShowPartnerLogo(step);
    }
    Reposition();
    // Each open child window in turn becomes active and is repainted.
    const qsizetype count = m_mdiArea->subWindowList().size();
    for (qsizetype i = 0; i < count; ++i) {
        m_mdiArea->activateNextSubWindow();
        if (QMdiSubWindow* active = m_mdiArea->activeSubWindow()) {
            active->update();
        }
    }
}

void TForm1::connectMenu() {
    connect(m_menu.Player1, &QAction::triggered, this, &TForm1::Player1Click);
    connect(m_menu.Pitchers1, &QAction::triggered, this, &TForm1::Pitchers1Click);
    connect(m_menu.Fielding1, &QAction::triggered, this, &TForm1::Fielding1Click);
    connect(m_menu.Team1, &QAction::triggered, this, &TForm1::Team1Click);
    connect(m_menu.Databasetidbits1, &QAction::triggered, this, &TForm1::Databasetidbits1Click);
    connect(m_menu.Datasources1, &QAction::triggered, this, &TForm1::Datasources1Click);
    QAction* definitions[] = {m_menu.Batters1, m_menu.Pitchers2, m_menu.Fielders1, m_menu.Teams1};
    for (int database = 0; database < 4; ++database) {
        QAction* entry = definitions[database];
        connect(entry, &QAction::triggered, this,
                [this, database, entry] { StatisticsDefinitionsClick(database, entry); });
    }
    connect(m_menu.About1, &QAction::triggered, this, &TForm1::About1Click);
    connect(m_menu.Changeproxysettings1, &QAction::triggered, this,
            &TForm1::Changeproxysettings1Click);
    connect(m_menu.ABORT1, &QAction::triggered, this, &TForm1::ABORT1Click);
    connect(m_menu.Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, [](QMdiSubWindow* window) {
        if (window == nullptr) {
            return;
        }
        if (auto* view = qobject_cast<StatisticsView*>(window->widget())) {
            view->FormActivate();
        }
    });
}

void TForm1::connectQueryCommands() {
    // Each query command acts on the view its dispatch rule picks. The
    // dialogs are the single instances made at start-up after this window, so
    // they are looked up when a command runs.
    const std::pair<QAction*, QueryCommand> commands[] = {
        {m_menu.Selectplayer1, QueryCommand::SelectPlayer},
        {m_menu.Selectteam1, QueryCommand::SelectTeam},
        {m_menu.Selectyear1, QueryCommand::SelectYear},
        {m_menu.SelectLeague1, QueryCommand::SelectLeague},
        {m_menu.SelectPosition1, QueryCommand::SelectPosition},
        {m_menu.TripleSort1, QueryCommand::Sort},
        {m_menu.Limit1, QueryCommand::Limit},
        {m_menu.Reset1, QueryCommand::Reset},
        {m_menu.Unhide1, QueryCommand::Unhide},
        {m_menu.Coloroptions1, QueryCommand::ColorOptions},
    };
    for (const auto& [action, command] : commands) {
        connect(action, &QAction::triggered, this,
                [this, command = command] { RunQueryCommand(command, m_mdiArea, queryDialogs()); });
    }
    // "&Print" and the hidden "Print Pre&view" run the same print run; the
    // dialog chooses between paper and preview.
    m_print = new PrintController(this);
    for (QAction* action : {m_menu.Print1, m_menu.PrintPreview1}) {
        connect(action, &QAction::triggered, this, [this] { m_print->Print1Click(printView()); });
    }
    connect(m_menu.Printsetup1, &QAction::triggered, m_print, &PrintController::Printsetup1Click);
    m_viewCommands = new ViewCommands(
        m_menu, [this] { return queryDialogs(); },
        [this] { return dynamic_cast<StatisticsView*>(ActiveQueryTarget()); }, this);
    const auto activeView = [this] { return dynamic_cast<StatisticsView*>(ActiveQueryTarget()); };
    // Windows and commands made later reach the service through the proxy
    // set at that time.
    const auto hosts = [this] { return HostsWithProxy(); };
    m_charts = new ChartCommands(m_menu, m_viewCommands->Export1, activeView, hosts, this);
    m_players = new PlayerCommands(
        m_menu, m_mdiArea,
        {hosts, [this](DatabaseKind kind) { return View(kind); },
         [this](DatabaseKind kind, const std::function<void(StatisticsView&)>& prepare) {
             OpenDatabase(kind, prepare);
             return View(kind);
         }},
        this);
    m_viewCommands->SetContextMenuExtension([this](QMenu* menu, StatisticsView* view, int column) {
        m_charts->AddContextEntry(menu, view, column);
        m_querySteps->AddContextEntry(menu, view);
        m_players->AddContextEntry(menu, view);
    });
    m_queryFiles = new QueryFileCommands(
        m_menu, m_charts->Chart1, activeView, [this](DatabaseKind kind) { return View(kind); },
        [this](DatabaseKind kind, const std::function<void(StatisticsView&)>& prepare) {
            OpenDatabase(kind, prepare);
            return View(kind);
        },
        hosts, this, this);
    m_querySteps = new QueryStepsCommands(m_menu, m_charts->Chart1, activeView, hosts, this);
}

StatisticsView* TForm1::printView() const {
    QMdiSubWindow* active = m_mdiArea->activeSubWindow();
    if (active == nullptr) {
        return nullptr;
    }
    int database = databaseFromCaption(active->windowTitle());
    if (database < 0) {
        database = 3; // any other caption names Teams
    }
    return m_views[static_cast<std::size_t>(database)];
}

QueryDialogs TForm1::queryDialogs() const {
    return QueryDialogs{findChild<TForm6*>(),        findChild<TBtnRightDlg1*>(),
                        findChild<TBtnRightDlg*>(),  findChild<TForm11*>(),
                        findChild<TBtnBottomDlg*>(), findChild<TForm10*>()};
}

StatisticsView* TForm1::View(DatabaseKind kind) const {
    return m_views[DatabaseIndex(kind)];
}

QueryTarget* TForm1::ActiveQueryTarget() const {
    QMdiSubWindow* active = m_mdiArea->activeSubWindow();
    if (active == nullptr) {
        return nullptr;
    }
    const int database = databaseFromCaption(active->windowTitle());
    if (database < 0) {
        return nullptr;
    }
    StatisticsView* view = m_views[static_cast<std::size_t>(database)];
    return view;
}

void TForm1::OpenDatabase(DatabaseKind kind, const std::function<void(StatisticsView&)>& prepare) {
    const std::size_t index = DatabaseIndex(kind);
    if (m_views[index]) {
        return; // at most one window per database
    }
    QAction* statistics = m_menu.BaseballStatistics1->menuAction();
    statistics->setEnabled(false);
    m_openedThisRun[index] = 1;
    BusyCursor hourglass;

    StatisticsView* view = CreateStatisticsView(kind, HostsWithProxy());
    connect(view, &StatisticsView::viewActivated, this, &TForm1::ViewActivated);
    connect(view, &StatisticsView::viewClosed, this, &TForm1::ViewClosed);
    connect(view, &StatisticsView::siteLinkClicked, this, &TForm1::SiteLinkClick);
    m_banners->AttachView(view);
    m_viewCommands->AttachView(view);
    m_querySteps->AttachView(view);
    m_views[index] = view;
    QMdiSubWindow* frame = m_mdiArea->addSubWindow(view);
    ApplyViewMenuState(m_menu, kind);
    view->Label2->setText(m_siteValue);
    view->HttpCli1().setURL(m_hosts.Mirror2 + view->records().info().servicePath);
    frame->showMaximized();
    m_mdiArea->setActiveSubWindow(frame);
    // The first page asks for as many rows as the grid shows at its final
    // size, so the sub-window's layout is settled before the request.
    if (QLayout* layout = frame->layout()) {
        layout->activate();
    }

    if (prepare) {
        prepare(*view);
    }
    // The first page; the window may be closed while it waits.
    view->refreshView();
    hourglass.release();
    statistics->setEnabled(true);
}

void TForm1::ViewActivated(DatabaseKind kind) {
    ApplyViewMenuState(m_menu, kind);
}

void TForm1::ViewClosed(DatabaseKind kind, qint64 msOpen) {
    ApplyViewClosedMenuState(m_menu, kind);
    m_views[DatabaseIndex(kind)] = nullptr;
    PostUsageEvent(UsageEventIn(kind, m_siteValue, msOpen));
}

void TForm1::SiteLinkClick(DatabaseKind kind) {
    // The site value comes from the co-brand block, not from the network.
    if (!m_siteValue.isEmpty()) {
        m_openLink(QUrl::fromUserInput(m_siteValue).toString());
    }
    PostUsageEvent(
        UsageEventText(UsageEventType::UrlClick, UsageDatabaseWord(kind), m_siteValue, 0));
}

void TForm1::Databasetidbits1Click() {
    openInstructions(m_mdiArea);
}

void TForm1::StatisticsDefinitionsClick(int database, QAction* entry) {
    openHelpText(m_mdiArea, entry, statisticsDefinitions(database));
}

void TForm1::Datasources1Click() {
    openHelpText(m_mdiArea, m_menu.Datasources1, dataSourcesText());
}

void TForm1::About1Click() {
    if (auto* about = findChild<TAboutBox*>()) {
        about->exec();
    }
}

void TForm1::Changeproxysettings1Click() {
    // Closing the dialog rewrites the proxy file; this run keeps the
    // settings it loaded at start-up.
    if (auto* proxy = findChild<TForm14*>()) {
        proxy->exec();
    }
}

void TForm1::ABORT1Click() {
    QMdiSubWindow* active = m_mdiArea->activeSubWindow();
    if (active == nullptr) {
        return;
    }
    const int database = databaseFromCaption(active->windowTitle());
    if (database < 0) {
        return;
    }
    if (StatisticsView* view = m_views[static_cast<std::size_t>(database)]) {
        view->HttpCli1().Abort();
    }
}

void TForm1::Exit1Click() {
    closeChildrenLastFirst(m_mdiArea);
    QCoreApplication::quit();
}

void TForm1::closeEvent(QCloseEvent* event) {
    closeChildrenLastFirst(m_mdiArea);
    event->accept();
}

void TForm1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        FormActivate();
    }
}

void TForm1::FormActivate() {
    if (m_config.DemoMode && !m_welcomeShown) {
        m_welcomeShown = true;
        // Shown once the activation has been handled, not inside it.
        QTimer::singleShot(0, this, [this] {
            if (auto* welcome = findChild<TForm17*>()) {
                welcome->exec();
            }
        });
    }
    if (auto* preview = findChild<TForm15*>()) {
        preview->SizeToMainWindow(frameGeometry(), m_header->height());
    }
}
