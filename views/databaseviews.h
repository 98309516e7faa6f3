#pragma once

#include "views/statisticsview.h"

// The batters window.
class TForm2A : public StatisticsView {
    Q_OBJECT
public:
    explicit TForm2A(const ServiceHosts& hosts = ServiceHosts::Deployment(),
                     QWidget* parent = nullptr);
};

// The pitchers window.
class TForm5 : public StatisticsView {
    Q_OBJECT
public:
    explicit TForm5(const ServiceHosts& hosts = ServiceHosts::Deployment(),
                    QWidget* parent = nullptr);
};

// The fielders window.
class TForm9 : public StatisticsView {
    Q_OBJECT
public:
    explicit TForm9(const ServiceHosts& hosts = ServiceHosts::Deployment(),
                    QWidget* parent = nullptr);
};

// The teams window.
class TForm4 : public StatisticsView {
    Q_OBJECT
public:
    explicit TForm4(const ServiceHosts& hosts = ServiceHosts::Deployment(),
                    QWidget* parent = nullptr);
};

// A new window of the class that shows `kind`, on `hosts`; no request sent.
StatisticsView* CreateStatisticsView(DatabaseKind kind, const ServiceHosts& hosts,
                                     QWidget* parent = nullptr);
