// The client's entry sequence: configuration from the co-brand block appended
// to the executable, the long-lived windows, the proxy settings, then the
// event loop.

#include <cstdlib>
#include <ctime>

#include <QApplication>
#include <QLabel>
#include <QScreen>

#include "deployment.h"
#include "mainwindow/taboutbox.h"
#include "mainwindow/tform1.h"
#include "mainwindow/tform17.h"
#include "printing/tduallistdlg.h"
#include "printing/tform15.h"
#include "query/tbtnbottomdlg.h"
#include "query/tbtnrightdlg.h"
#include "query/tbtnrightdlg1.h"
#include "query/tform10.h"
#include "query/tform11.h"
#include "query/tform6.h"
#include "startup/applyproxy.h"
#include "startup/errorreport.h"
#include "startup/executableblock.h"
#include "startup/proxystartup.h"
#include "startup/terminationsignal.h"
#include "startup/tform12.h"
#include "startup/tform14.h"

namespace {

int endWith(const StartupFailure& failure) {
    ReportError(nullptr, failure.message());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TerminationSignal termination;

    // The window class (WM_CLASS, the Wayland application id) is the desktop
    // entry's name, so that a dock groups the program's windows under its
    // launcher (bbstats.desktop, StartupWMClass=bbstats).
    QApplication::setApplicationName(QStringLiteral("bbstats"));
    QGuiApplication::setDesktopFileName(QStringLiteral("bbstats"));
    // Qt's own file dialog opens in the working folder when the caller names
    // no folder; the platform's dialogs may remember another one.
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);

    // The running program's own file, from the system rather than argv[0].
    const QString executable = QCoreApplication::applicationFilePath();
    const ExecutableBlockResult loaded =
        LoadCoBrandFromExecutable(executable, deployment::BlockOffset);
    if (loaded.failure.failed()) {
        return endWith(loaded.failure);
    }
    const CoBrandConfig& config = loaded.config;

    // The long-lived windows, in creation order; the main window owns them.
    // The main window's creation waits for the version check, the banner
    // settings and the start-up upload; a termination signal meanwhile is
    // acted on once they are over.
    termination.SetDeferred(true);
    auto* form1 = new TForm1(config);
    auto* form12 = new TForm12(form1);
    new TDualListDlg(form1);
    auto* form14 = new TForm14(form1);
    new TForm15(form1);
    new TForm17(form1);
    form12->SetDownloadLinkText(config.DownloadLinkText);
    new TForm11(form1);
    new TBtnRightDlg(form1);
    auto* aboutBox = new TAboutBox(form1);
    aboutBox->Label10->setText(QStringLiteral("Version # ") + config.VersionText);
    new TBtnBottomDlg(form1);
    auto* form6 = new TForm6(form1);
    new TBtnRightDlg1(form1);
    new TForm10(form1);
    termination.SetDeferred(false);

    bool terminate = false;
    if (form1->UpdateRequired()) {
        form12->exec();
        terminate = true;
    }

    std::srand(static_cast<unsigned>(std::time(nullptr)));

    if (!terminate && config.ProxyPromptEnabled) {
        const ProxyStartupResult proxy = LoadProxyAtStartup(*form14, QStringLiteral("PROXY.DAT"));
        if (proxy.failure.failed()) {
            delete form1;
            return proxy.alreadyReported ? 1 : endWith(proxy.failure);
        }
        // The main window's clients and the usage-event sender take them
        // now; database windows when they are created. The banner client and
        // the update notice's client always connect directly.
        form1->SetProxySettings(proxy.settings);
        ApplyProxySettings(proxy.settings, {&form6->HttpCli6()});
    }

    int code = 0;
    if (!terminate && !TerminationSignal::Requested()) {
        // Without a window manager "maximised" means nothing: the window
        // takes the whole screen as its normal size too.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            form1->setGeometry(screen->availableGeometry());
        }
        form1->showMaximized();
        code = app.exec();
    }
    delete form1;
    return code;
}
