#include "fakequerytarget.h"

#include <QApplication>
#include <QTimer>

FakeQueryTarget::FakeQueryTarget(DatabaseKind kind, QWidget* parent)
    : QWidget(parent), m_kind(kind),
      m_state(kind == DatabaseKind::Teams ? QueryState::TeamsSortCode
                                          : QueryState::DefaultSortCode),
      m_grid(new DrawGrid(this)) {
    const DatabaseInfo& info = DatabaseInfoFor(kind);
    setWindowTitle(info.caption);
    m_grid->setColCount(static_cast<int>(info.columns.size()));
    m_grid->setFixedCols(info.fixedColumns);
    for (int c = 0; c < m_grid->colCount(); ++c)
        m_grid->setColWidth(c, 50);
    m_grid->setRowCount(100);
    m_grid->setFixedRows(2);
    listReply.result = FetchResult::Failed;
}

std::string FakeQueryTarget::pageRequest() const {
    return PageRequest(m_state, 0, 20);
}

bool FakeQueryTarget::refreshView() {
    calls.append(QStringLiteral("refresh:") + QString::fromStdString(pageRequest()));
    return onRefresh ? onRefresh() : true;
}

ListResult FakeQueryTarget::requestList(ListKind kind) {
    calls.append(QStringLiteral("list:") + QString::fromStdString(ListRequest(m_state, kind)));
    return listReply;
}

QString FakeQueryTarget::largestValue(int field) {
    largestAsked.append(field);
    if (whileLearning)
        whileLearning();
    return largest.value(field);
}

QStringList FakeQueryTarget::callNames() const {
    QStringList names;
    for (const QString& call : calls)
        names.append(call.section(QLatin1Char(':'), 0, 0));
    return names;
}

QPointer<QTimer> OnNextModal(const std::function<void(QWidget*)>& action, QWidget* notThis) {
    auto* timer = new QTimer(qApp);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action, notThis, tries] {
        QWidget* modal = QApplication::activeModalWidget();
        // Give up after about ten seconds so a missing dialog fails the test
        // instead of leaving a timer behind.
        if (++*tries > 1000) {
            timer->deleteLater();
            timer->stop();
            return;
        }
        if (modal == nullptr || modal == notThis)
            return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start(10);
    return timer;
}
