#pragma once

#include <array>
#include <functional>
#include <memory>

#include <QMainWindow>
#include <QPointer>

#include "databases/databaseinfo.h"
#include "mainwindow/linkopener.h"
#include "mainwindow/mainmenu.h"
#include "protocol/pagefetcher.h"
#include "query/queryoperations.h"
#include "startup/cobrandconfig.h"
#include "startup/proxysettings.h"
#include "startup/startping.h"

class BannerRotation;
class ChartCommands;
class DemoRotation;
class HeaderBand;
class LinkMenus;
class NewsTicker;
class PlayerCommands;
class PrintController;
class QueryFileCommands;
class QueryStepsCommands;
class QMdiArea;
class QueryTarget;
class StatisticsView;
class THttpCli;
class ViewCommands;

// The main window: the multiple-document parent of every database window,
// captioned with the co-brand window title. It owns the main menu, the
// header band above the database windows (logo, news ticker, toolbar links,
// sister logos), the co-brand link menus and the demonstration rotation,
// opens the four database windows and the text windows, and keeps the menu
// in step with the active database window.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Runs the creation handler with the configuration read at start-up,
    // asking the statistics hosts `hosts` and uploading to `ftp` (the
    // deployment's unless given). newsSite is the news site's root address
    // ("http://host:port/"); empty means the deployment's news site.
    explicit TForm1(const CoBrandConfig& config,
                    const ServiceHosts& hosts = ServiceHosts::Deployment(),
                    const FtpTarget& ftp = DeploymentFtpTarget(),
                    const QString& newsSite = QString(), QWidget* parent = nullptr);
    ~TForm1() override;

    // Set by the version check while the window is created when this copy is
    // out of date; the start-up sequence then shows the update notice.
    bool UpdateRequired() const { return m_updateRequired; }

    QMdiArea* MdiArea() const { return m_mdiArea; }
    // Every menu and entry of the menu bar.
    const MainMenu& Menu() const { return m_menu; }

    // The proxy settings loaded at start-up (all off when the co-brand block
    // does not ask for them): this window's clients take them now, database
    // windows when they are created. The banner client never does.
    void SetProxySettings(const ProxySettings& settings);
    const ProxySettings& LoadedProxySettings() const { return m_proxySettings; }

    // The statistics hosts database windows use (the deployment by default).
    void SetServiceHosts(const ServiceHosts& hosts) { m_hosts = hosts; }
    const ServiceHosts& Hosts() const { return m_hosts; }
    // The service hosts with the proxy of the loaded settings.
    ServiceHosts HostsWithProxy() const;

    // The open window of `kind`, null when none is open.
    StatisticsView* View(DatabaseKind kind) const;
    // Per database (0 batters, 1 pitchers, 2 fielders, 3 teams): 1 once its
    // menu entry has opened it during this run.
    const std::array<int, 4>& OpenedThisRun() const { return m_openedThisRun; }
    // The site value database windows show in their site link label.
    const QString& SiteValue() const { return m_siteValue; }
    // The database window the query commands act on: the active child
    // window, when its caption names a database; null otherwise.
    QueryTarget* ActiveQueryTarget() const;
    // The client of the version check and the ad-settings query.
    THttpCli& HttpCli1() { return *m_httpCli1; }
    // Export, copy, undo and the grids' context menu.
    ViewCommands& Commands() { return *m_viewCommands; }
    // The chart command and the query files.
    ChartCommands& Charts() { return *m_charts; }
    QueryFileCommands& QueryFiles() { return *m_queryFiles; }
    // The query steps panels.
    QueryStepsCommands& Steps() { return *m_querySteps; }
    // Finding players and their pages.
    PlayerCommands& Players() { return *m_players; }
    // The banner rotation (Timer3, HttpCliAd, the slots).
    BannerRotation& Banners() { return *m_banners; }
    // Sends a usage event text through the Sort dialog's sender; nothing
    // happens before that dialog exists.
    void PostUsageEvent(const QString& text);

    // The configuration as it stands (the demonstration rotation changes it).
    const CoBrandConfig& Config() const { return m_config; }
    HeaderBand* Header() const { return m_header; }
    NewsTicker* Ticker() const { return m_ticker; }
    LinkMenus* CoBrandMenus() const { return m_linkMenus; }
    DemoRotation* Demo() const { return m_demo; }
    // Where the header's links and the ticker's articles open (the desktop's
    // browser unless replaced).
    void SetLinkOpener(const LinkOpener& opener);

    void FormCreate();
    // Applies the co-brand configuration: header band, logo, site value,
    // caption, link menus and toolbar links.
    void ApplyCoBrand();
    // Re-applies the header after the configuration changed in memory: link
    // menus hidden for good, header colour and height, site value (also in
    // the open database windows), caption and toolbar links.
    void Reposition();
    // In demonstration mode, shows the welcome dialog on the first activation;
    // sizes the print preview window to this window on every activation.
    void FormActivate();

    // Opening a database: the steps shared by the four open commands.
    // `prepare` runs on a new window before its first page is fetched (a
    // query file puts its query in place there).
    void OpenDatabase(DatabaseKind kind, const std::function<void(StatisticsView&)>& prepare = {});
    void Player1Click() { OpenDatabase(DatabaseKind::Batters); }
    void Pitchers1Click() { OpenDatabase(DatabaseKind::Pitchers); }
    void Fielding1Click() { OpenDatabase(DatabaseKind::Fielders); }
    void Team1Click() { OpenDatabase(DatabaseKind::Teams); }

    void Databasetidbits1Click();
    // Opens the statistics definitions of database 0..3 as a help text.
    void StatisticsDefinitionsClick(int database, QAction* entry);
    void Datasources1Click();
    void About1Click();
    void Changeproxysettings1Click();
    // Aborts the request of the active database window.
    void ABORT1Click();
    // Closes every child window, last to first, and ends the program.
    void Exit1Click();

signals:
    // The usage event of a link menu item or toolbar link click, to be sent
    // to the logging script.
    void usageEvent(const QString& text);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void connectMenu();
    // The database window the print commands act on: the one the active
    // child's caption names, any caption not naming another database naming
    // Teams; null when that window is not open.
    StatisticsView* printView() const;
    void buildHeader(const QString& newsSite);
    // Shows demonstration step `step` (its sample is in the configuration).
    void DemoStepShown(int step);
    // The start-up dialogs the query commands run; null where one is missing.
    QueryDialogs queryDialogs() const;
    // Where the query commands of the menu (Sort, Select, Limit, Reset,
    // Unhide, Colour options, Print) are connected to the database windows.
    void connectQueryCommands();
    void ViewActivated(DatabaseKind kind);
    void ViewClosed(DatabaseKind kind, qint64 msOpen);
    // Opens the site value and reports "URLCLICK" for that database.
    void SiteLinkClick(DatabaseKind kind);

    CoBrandConfig m_config;
    ProxySettings m_proxySettings;
    ServiceHosts m_hosts;
    FtpTarget m_ftp;
    THttpCli* m_httpCli1 = nullptr;
    QMdiArea* m_mdiArea = nullptr;
    HeaderBand* m_header = nullptr;
    NewsTicker* m_ticker = nullptr;
    LinkMenus* m_linkMenus = nullptr;
    DemoRotation* m_demo = nullptr;
    MainMenu m_menu;
    std::array<QPointer<StatisticsView>, 4> m_views;
    PrintController* m_print = nullptr;
    ViewCommands* m_viewCommands = nullptr;
    ChartCommands* m_charts = nullptr;
    QueryFileCommands* m_queryFiles = nullptr;
    QueryStepsCommands* m_querySteps = nullptr;
    PlayerCommands* m_players = nullptr;
    std::array<int, 4> m_openedThisRun{};
    QString m_siteValue;
    // Opens the header's, link menus', site link's and banners' addresses.
    LinkOpener m_openLink = OpenWithDesktop;
    // After the flags and the site value it reads.
    std::unique_ptr<BannerRotation> m_banners;
    bool m_updateRequired = false;
    bool m_welcomeShown = false;
};
