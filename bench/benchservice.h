#pragma once

#include <vector>

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

// What the client benches run against: the statistics file, the service
// binary, the data folder to import when the file is missing, and rounds.
struct BenchOptions {
    QString db;
    QString service;
    QString data;
    int rounds = 0;
};

// The options of `args` ("--db", "--service", "--data", "--rounds", each with
// a value; rounds at least 3), the build's defaults where absent.
BenchOptions ParseBenchOptions(const QStringList& args, int defaultRounds);

// Starts `bbstatsd serve` on 127.0.0.1 at a port of its choosing, importing
// the data first when the statistics file is missing; returns "host:port",
// or an empty text (the service's output on stderr) when it did not come up.
// `extra` goes to `serve` after the bench's own options.
QString StartBenchService(QProcess& process, const BenchOptions& options,
                          const QStringList& extra = {});

// The median of `values` (0 when empty).
double Median(std::vector<double> values);

// Milliseconds since `timer` started.
double MsSince(const QElapsedTimer& timer);
