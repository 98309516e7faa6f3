#include "views/databaseviews.h"

TForm2A::TForm2A(const ServiceHosts& hosts, QWidget* parent)
    : StatisticsView(DatabaseKind::Batters, hosts, parent) {
    setObjectName(QStringLiteral("Form2A"));
}

TForm5::TForm5(const ServiceHosts& hosts, QWidget* parent)
    : StatisticsView(DatabaseKind::Pitchers, hosts, parent) {
    setObjectName(QStringLiteral("Form5"));
}

TForm9::TForm9(const ServiceHosts& hosts, QWidget* parent)
    : StatisticsView(DatabaseKind::Fielders, hosts, parent) {
    setObjectName(QStringLiteral("Form9"));
}

TForm4::TForm4(const ServiceHosts& hosts, QWidget* parent)
    : StatisticsView(DatabaseKind::Teams, hosts, parent) {
    setObjectName(QStringLiteral("Form4"));
}

StatisticsView* CreateStatisticsView(DatabaseKind kind, const ServiceHosts& hosts,
                                     QWidget* parent) {
    switch (kind) {
    case DatabaseKind::Batters:
        return new TForm2A(hosts, parent);
    case DatabaseKind::Pitchers:
        return new TForm5(hosts, parent);
    case DatabaseKind::Fielders:
        return new TForm9(hosts, parent);
    case DatabaseKind::Teams:
        return new TForm4(hosts, parent);
    }
    return new TForm2A(hosts, parent);
}
