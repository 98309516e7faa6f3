#include "platform/ftpupload.h"

#include <map>
#include <memory>

#include <QEventLoop>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>

#include <curl/curl.h>

namespace {

// Drives one easy handle on a multi handle from the Qt event loop: curl
// names the sockets to watch and the next time-out, socket notifiers and a
// single-shot timer hand the events back to it.
class CurlDriver : public QObject {
public:
    explicit CurlDriver(CURL* easy) : m_multi(curl_multi_init()), m_easy(easy) {
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
        curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &CurlDriver::onSocket);
        curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
        curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &CurlDriver::onTimer);
        curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
    }

    ~CurlDriver() override {
        curl_multi_remove_handle(m_multi, m_easy);
        curl_multi_cleanup(m_multi);
        m_watches.clear();
    }

    CurlDriver(const CurlDriver&) = delete;
    CurlDriver& operator=(const CurlDriver&) = delete;

    // Runs the transfer to its end; returns curl's result.
    CURLcode run() {
        if (curl_multi_add_handle(m_multi, m_easy) != CURLM_OK) {
            return CURLE_FAILED_INIT;
        }
        // Adding the handle asks for a time-out of 0, which starts it.
        if (!m_done) {
            m_loop.exec();
        }
        return m_result;
    }

private:
    struct Watch {
        std::unique_ptr<QSocketNotifier> read;
        std::unique_ptr<QSocketNotifier> write;
    };

    static int onSocket(CURL*, curl_socket_t socket, int what, void* self, void*) {
        static_cast<CurlDriver*>(self)->watch(socket, what);
        return 0;
    }

    static int onTimer(CURLM*, long timeoutMs, void* self) {
        auto* driver = static_cast<CurlDriver*>(self);
        if (timeoutMs < 0) {
            driver->m_timer.stop();
        } else {
            driver->m_timer.start(static_cast<int>(timeoutMs));
        }
        return 0;
    }

    void watch(curl_socket_t socket, int what) {
        if (what == CURL_POLL_REMOVE) {
            const auto found = m_watches.find(socket);
            if (found != m_watches.end()) {
                // The notifier may be the one whose signal is running: it is
                // switched off now and deleted once control is back in the loop.
                for (auto* notifier :
                     {found->second.read.release(), found->second.write.release()}) {
                    if (notifier != nullptr) {
                        notifier->setEnabled(false);
                        notifier->deleteLater();
                    }
                }
                m_watches.erase(found);
            }
            return;
        }
        Watch& entry = m_watches[socket];
        if (!entry.read) {
            entry.read = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
            connect(entry.read.get(), &QSocketNotifier::activated, this,
                    [this, socket] { act(socket, CURL_CSELECT_IN); });
            entry.write = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Write);
            connect(entry.write.get(), &QSocketNotifier::activated, this,
                    [this, socket] { act(socket, CURL_CSELECT_OUT); });
        }
        entry.read->setEnabled(what == CURL_POLL_IN || what == CURL_POLL_INOUT);
        entry.write->setEnabled(what == CURL_POLL_OUT || what == CURL_POLL_INOUT);
    }

    void act(curl_socket_t socket, int events) {
        if (m_done) {
            return;
        }
        int running = 0;
        curl_multi_socket_action(m_multi, socket, events, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == m_easy) {
                m_result = message->data.result;
                m_done = true;
            }
        }
        if (m_done) {
            m_timer.stop();
            m_loop.quit();
        }
    }

    CURLM* m_multi;
    CURL* m_easy;
    QEventLoop m_loop;
    QTimer m_timer;
    std::map<curl_socket_t, Watch> m_watches;
    bool m_done = false;
    CURLcode m_result = CURLE_OK;
};

size_t readFromFile(char* buffer, size_t size, size_t count, void* file) {
    const qint64 read = static_cast<QFile*>(file)->read(buffer, static_cast<qint64>(size * count));
    return read < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(read);
}

void initialiseCurl() {
    static const bool done = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)done;
}

} // namespace

FtpUploadResult FtpUpload(const FtpTarget& target, const QString& localPath,
                          const QString& remoteName, int stepTimeoutMs) {
    FtpUploadResult result;
    QFile file(localPath);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("cannot open %1: %2").arg(localPath, file.errorString());
        return result;
    }
    initialiseCurl();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(), &curl_easy_cleanup);
    if (!easy) {
        result.error = QStringLiteral("the FTP client could not be set up");
        return result;
    }
    const QByteArray url =
        "ftp://" + target.host.toUtf8() + "/" + QUrl::toPercentEncoding(remoteName);
    const QByteArray user = target.user.toUtf8();
    const QByteArray password = target.password.toUtf8();
    const long stepMs = stepTimeoutMs > 0 ? stepTimeoutMs : 1;
    char errorText[CURL_ERROR_SIZE] = {};
    CURL* handle = easy.get();
    curl_easy_setopt(handle, CURLOPT_URL, url.constData());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(handle, CURLOPT_PROXY, "");
    curl_easy_setopt(handle, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(handle, CURLOPT_PASSWORD, password.constData());
    curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(handle, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, &readFromFile);
    curl_easy_setopt(handle, CURLOPT_READDATA, &file);
    curl_easy_setopt(handle, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(file.size()));
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, stepMs);
    curl_easy_setopt(handle, CURLOPT_SERVER_RESPONSE_TIMEOUT, (stepMs + 999) / 1000);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, (stepMs + 999) / 1000);
    // The connection is closed (QUIT) as soon as the upload is over.
    curl_easy_setopt(handle, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);

    CURLcode code = CURLE_OK;
    {
        CurlDriver driver(handle);
        code = driver.run();
    }
    if (code == CURLE_OK) {
        result.ok = true;
    } else {
        result.error =
            QString::fromUtf8(errorText[0] != '\0' ? errorText : curl_easy_strerror(code));
    }
    return result;
}
