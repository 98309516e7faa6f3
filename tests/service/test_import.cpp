// The Lahman importer on small hand-made CSV files: derived fields and markers as served,
// RFC 4180 quoting, and errors that name file, line and column and leave no file behind.
#include <QtTest>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "service/engine/engine.h"
#include "service/engine/importer.h"

using bbstatsd::Engine;
using bbstatsd::Table;

namespace {

using Files = std::map<std::string, std::vector<std::string>>;

const char* const kTeamsHeader =
    "\"yearID\",\"lgID\",\"teamID\",\"divID\",\"Rank\",\"G\",\"W\",\"L\",\"R\",\"AB\",\"H\","
    "\"X2B\",\"X3B\","
    "\"HR\",\"BB\",\"SO\",\"SB\",\"CS\",\"HBP\",\"SF\",\"RA\",\"ER\",\"CG\",\"SHO\",\"SV\","
    "\"IPouts\",\"HA\",\"HRA\",\"BBA\",\"SOA\",\"E\",\"DP\",\"name\"";

Files validFiles() {
    Files f;
    f["People.csv"] = {
        "\"playerID\",\"birthYear\",\"nameFirst\",\"nameLast\",\"bats\",\"throws\"",
        "\"smithjo01\",1880,\"John\",\"Smith\",\"B\",\"R\"",
        "\"smithjo02\",,\"John\",\"Smith\",\"L\",\"L\"",
        "\"oneilti01\",1870,\"Tip\",\"O'Neill \"\"Big\"\", Jr.\",\"R\",",
    };
    f["Teams.csv"] = {
        kTeamsHeader,
        "1901,\"AL\",\"BOS\",,1,140,80,60,700,4800,1300,200,60,30,400,500,100,,,,600,450,100,10,5,"
        "3700,1250,25,380,520,250,100,\"Boston Americans\"",
        "1901,\"AL\",\"NYA\",,2,140,70,70,650,4700,1250,190,50,20,380,520,90,,,,640,470,90,8,4,"
        "3690,1290,30,390,500,260,110,\"New York Highlanders\"",
        "1902,\"AL\",\"BOS\",\"E\",1,140,0,0,0,0,0,0,0,0,0,0,0,,,,0,0,0,0,0,0,0,0,0,0,0,0,"
        "\"Boston Americans\"",
    };
    f["Batting.csv"] = {
        "\"playerID\",\"yearID\",\"stint\",\"teamID\",\"lgID\",\"G\",\"AB\",\"R\",\"H\",\"X2B\","
        "\"X3B\",\"HR\",\"RBI\",\"SB\",\"CS\",\"BB\",\"SO\",\"IBB\",\"HBP\",\"SH\",\"SF\",\"GIDP\"",
        "\"smithjo01\",1901,1,\"BOS\",\"AL\",120,400,60,120,20,5,10,70,10,,40,30,,5,3,,",
        "\"smithjo02\",1902,1,\"BOS\",\"AL\",3,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0",
        "\"oneilti01\",1901,1,\"NYA\",\"AL\",30,100,10,30,5,1,2,15,1,,10,8,,1,0,,",
    };
    f["Pitching.csv"] = {
        "\"playerID\",\"yearID\",\"stint\",\"teamID\",\"lgID\",\"W\",\"L\",\"G\",\"GS\",\"CG\","
        "\"SHO\",\"SV\",\"IPouts\",\"H\",\"ER\",\"HR\",\"BB\",\"SO\",\"IBB\",\"WP\",\"HBP\",\"BK\","
        "\"BFP\",\"GF\",\"R\",\"SH\",\"SF\"",
        "\"oneilti01\",1901,1,\"NYA\",\"AL\",20,10,35,30,25,3,1,914,250,60,5,70,120,,4,6,0,1200,3,"
        "90,,",
    };
    f["Fielding.csv"] = {
        "\"playerID\",\"yearID\",\"stint\",\"teamID\",\"lgID\",\"POS\",\"G\",\"GS\",\"PO\",\"A\","
        "\"E\",\"DP\",\"PB\"",
        "\"smithjo01\",1901,1,\"BOS\",\"AL\",\"1B\",20,,150,10,2,12,",
        "\"smithjo01\",1901,1,\"BOS\",\"AL\",\"OF\",100,,200,12,5,2,",
        "\"oneilti01\",1901,1,\"NYA\",\"AL\",\"P\",35,30,10,60,3,1,",
    };
    return f;
}

void writeFiles(const QString& dir, const Files& files) {
    for (const auto& [name, lines] : files) {
        std::ofstream out((dir + "/").toStdString() + name, std::ios::binary);
        for (const std::string& line : lines) {
            out << line << "\n";
        }
    }
}

std::vector<std::string> lines(const std::string& reply) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < reply.size()) {
        const std::size_t end = reply.find("\r\n", start);
        out.push_back(reply.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

// Column (1-based) where text starts on a line.
int columnOf(const std::string& line, const std::string& text) {
    return static_cast<int>(line.find(text)) + 1;
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT

private slots:
    // The players' facts as far as People knows them: partial dates, places of the parts
    // given, "B" as S, the given name searched; columns the file lacks leave facts out.
    void importsPlayerFacts() {
        QTemporaryDir dir;
        Files files = validFiles();
        files["People.csv"] = {
            "\"playerID\",\"birthYear\",\"birthMonth\",\"birthDay\",\"birthCity\",\"birthState\","
            "\"birthCountry\",\"nameFirst\",\"nameLast\",\"nameGiven\",\"bats\",\"throws\","
            "\"height\"",
            "\"smithjo01\",1880,7,,\"Boston\",\"MA\",\"USA\",\"John\",\"Smith\",\"John "
            "Q.\",\"B\",\"R\",70",
            "\"smithjo02\",,,,,,,\"John\",\"Smith\",,\"L\",\"L\",",
            "\"oneilti01\",1870,5,20,,,\"CAN\",\"Tip\",\"O'Neill \"\"Big\"\", Jr.\",\"James "
            "Edward\","
            "\"R\",,",
        };
        writeFiles(dir.path(), files);
        const std::string db = (dir.path() + "/out.db").toStdString();
        bbstatsd::importLahman(dir.path().toStdString(), db);
        Engine engine(db);
        QCOMPARE(lines(engine.playerFacts("smithjo01")),
                 (std::vector<std::string>{
                     "ID\tsmithjo01", "Name\tSmith, John", "First\tJohn", "Last\tSmith",
                     "Given\tJohn Q.", "Born\t1880-07", "BirthPlace\tBoston, MA, USA", "Bats\tS",
                     "Throws\tR", "Height\t70", "Years\t1901-1901",
                     "Batters\tSmith, John (1901-1901)", "Fielders\tSmith, John"}));
        const auto plain = lines(engine.playerFacts("smithjo02"));
        QVERIFY(std::none_of(plain.begin(), plain.end(), [](const std::string& line) {
            return line.starts_with("Born") || line.starts_with("Given");
        }));
        const std::string tip = engine.playerFacts("oneilti01");
        QVERIFY(tip.find("Born\t1870-05-20\r\nBirthPlace\tCAN\r\n") != std::string::npos);
        for (const char* query : {"q=oneill", "q=james+tip", "q=BIG"}) {
            QVERIFY2(
                engine.findPlayers(query).starts_with("oneilti01\tO'Neill \"Big\", Jr., Tip\t"),
                query);
        }
        const auto smiths = lines(engine.findPlayers("q=john+smith"));
        QCOMPARE(smiths.size(), std::size_t(2));
    }

    void importsDerivedFieldsAndMarkers() {
        QTemporaryDir dir;
        writeFiles(dir.path(), validFiles());
        const std::string db = (dir.path() + "/out.db").toStdString();
        bbstatsd::importLahman(dir.path().toStdString(), db);
        Engine engine(db);

        const auto bat = lines(engine.answer(Table::Batters, "0!3!300!\r\n*\r\n\x1a"));
        QCOMPARE(bat[0], std::string("3"));
        // Default order: name (quotes and comma kept from the quoted field), then season.
        QCOMPARE(bat[1], std::string("O'Neill \"Big\", Jr., Tip"));
        QCOMPARE(bat[1 + 31], std::string("Smith, John"));
        const std::vector<std::string> smith(bat.begin() + 32, bat.begin() + 63);
        QCOMPARE(smith[6], std::string("448"));    // PA = AB + BB + HBP + SH (SF unknown)
        QCOMPARE(smith[14], std::string("0.300")); // AVG
        QCOMPARE(smith[15], std::string("0.371")); // OBP = (120+40+5)/(400+40+5)
        QCOMPARE(smith[16], std::string("0.450")); // SLG = TB/AB
        QCOMPARE(smith[18], std::string("-1"));    // IBB unknown
        QCOMPARE(smith[26], std::string("of,1b")); // most games first, lower case
        QCOMPARE(smith[27], std::string("S"));     // bats both
        QCOMPARE(smith[29], std::string("180"));   // TB
        QCOMPARE(smith[30], std::string("85"));    // singles
        const std::vector<std::string> other(bat.begin() + 63, bat.begin() + 94);
        QCOMPARE(other[14], std::string("1000000.000")); // no at bats
        QCOMPARE(other[26], std::string("-1"));          // never fielded

        const auto players = lines(engine.answer(Table::Batters, "0!0!A!\r\n*\r\n\x1a"));
        QCOMPARE(players, (std::vector<std::string>{"3", "O'Neill \"Big\", Jr., Tip",
                                                    "Smith, John (1901-1901)",
                                                    "Smith, John (1902-1902)", "*"}));

        const auto pit = lines(engine.answer(Table::Pitchers, "0!1!300!\r\n*\r\n\x1a"));
        QCOMPARE(pit[1 + 13], std::string("1.77"));  // ERA = 27 * 60 / 914
        QCOMPARE(pit[1 + 14], std::string("304.2")); // 914 outs
        QCOMPARE(pit[1 + 28], std::string("0.222")); // 250 / (1200 - 70 - 6)
        QCOMPARE(pit[1 + 30], std::string());        // throws unknown

        const auto fld = lines(engine.answer(Table::Fielders, "0!3!300!\r\n*\r\n\x1a"));
        QCOMPARE(fld[1 + 15], std::string("P"));
        QCOMPARE(fld[1 + 16], std::string("30")); // games started
        QCOMPARE(fld[1 + 10], std::string("-1")); // no passed balls
        QCOMPARE(fld[1 + 11], std::string("73"));

        const auto teams = lines(engine.answer(Table::Teams, "0!3!100!\r\n*\r\n\x1a"));
        QCOMPARE(teams[1 + 3], std::string("-"));   // unknown division
        QCOMPARE(teams[1 + 8], std::string("0.0")); // leader
        QCOMPARE(teams[1 + 67 + 1], std::string("New York Highlanders"));
        QCOMPARE(teams[1 + 67 + 8], std::string("10.0"));            // (80-70 + 70-60) / 2
        QCOMPARE(teams[1 + 14], std::string("448"));                 // TPA summed over batting
        QCOMPARE(teams[1 + 42], std::string("1233.1"));              // 3700 outs
        QCOMPARE(teams[1 + 59], std::string("350"));                 // PO summed over fielding
        QCOMPARE(teams[1 + 2 * 67 + 9], std::string("1000000.000")); // no decisions
        QCOMPARE(teams[1 + 2 * 67 + 3], std::string("E"));
    }

    void failures_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("line"); // 1-based line to replace, 0 to remove the file
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // message start; "@" stands for the column
        QTest::addColumn<QString>("at");       // text whose position gives the column

        QTest::newRow("missing file") << "Pitching.csv" << 0 << ""
                                      << "Pitching.csv:0:0: cannot open"
                                      << "";
        QTest::newRow("unknown header column")
            << "People.csv" << 1
            << "\"playerID\",\"nameFirst\",\"nameLast\",\"bats\",\"throws\",\"shoe\""
            << "People.csv:1:@: unknown column 'shoe'"
            << "\"shoe\"";
        // A hostile header's bytes are shown escaped: control characters (C0 and C1) and
        // backslashes, while a letter of another script stays as it is.
        QTest::newRow("hostile header column")
            << "People.csv" << 1
            << QString("\"playerID\",\"nameFirst\",\"nameLast\",\"bats\",\"throws\","
                       "\"\x1b]0;owned\x07\\\u00e9\u0085\"")
            << QString("People.csv:1:@: unknown column '\\x1B]0;owned\\x07\\\\\u00e9\\xC2\\x85' "
                       "in header")
            << "\"\x1b";
        QTest::newRow("missing header column")
            << "People.csv" << 1 << "\"playerID\",\"nameFirst\",\"nameLast\",\"bats\""
            << "People.csv:1:1: missing column 'throws'"
            << "";
        QTest::newRow("not a number")
            << "Batting.csv" << 3
            << "\"smithjo02\",1902,1,\"BOS\",\"AL\",3,0,0,x7,0,0,0,0,0,0,0,0,0,0,0,0,0"
            << "Batting.csv:3:@: 'x7' in column 'H' is not a whole number"
            << "x7";
        QTest::newRow("field missing")
            << "Fielding.csv" << 2 << "\"smithjo01\",1901,1,\"BOS\",\"AL\",\"1B\",20,,150,10,2,12"
            << "Fielding.csv:2:@: expected 13 fields, found 12"
            << "12";
        QTest::newRow("quote not closed") << "People.csv" << 4 << "\"oneilti01\",\"Tip"
                                          << "People.csv:4:@: quoted field is not closed"
                                          << "\"Tip";
        QTest::newRow("text after closing quote")
            << "People.csv" << 3 << "\"smithjo02\",\"John\",\"Smith\"x,\"L\",\"L\""
            << "People.csv:3:@: unexpected character after closing quote"
            << "x,";
        QTest::newRow("unknown player")
            << "Pitching.csv" << 2
            << "\"nobody01\",1901,1,\"NYA\",\"AL\",1,1,1,1,1,1,1,3,1,1,1,1,1,,1,1,1,9,1,1,,"
            << "Pitching.csv:2:1: unknown player 'nobody01'"
            << "";
        QTest::newRow("unknown team")
            << "Batting.csv" << 2
            << "\"smithjo01\",1901,1,\"XXX\",\"AL\",1,1,1,1,1,1,1,1,1,,1,1,,1,1,,"
            << "Batting.csv:2:@: unknown team 'XXX' in 1901"
            << "\"XXX\"";
        QTest::newRow("missing season")
            << "Fielding.csv" << 4 << "\"oneilti01\",,1,\"NYA\",\"AL\",\"P\",35,30,10,60,3,1,"
            << "Fielding.csv:4:@: column 'yearID' is empty"
            << ",,1";
        QTest::newRow("empty line") << "Teams.csv" << 3 << ""
                                    << "Teams.csv:3:1: empty line"
                                    << "";
        // The reader holds a record at a time, so a field and a line are bounded.
        QTest::newRow("field over 64 KiB")
            << "People.csv" << 3
            << "\"smithjo02\",\"" + QString(70000, 'J') + "\",\"Smith\",\"L\",\"L\""
            << "People.csv:3:@: field longer than 65536 bytes"
            << "\"JJ";
        QTest::newRow("line over 1 MiB") << "Teams.csv" << 3 << QString(1100000, ',')
                                         << "Teams.csv:3:1: record longer than 1048576 bytes"
                                         << "";
    }

    void failures() {
        QFETCH(QString, file);
        QFETCH(int, line);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QFETCH(QString, at);
        QTemporaryDir data;
        QTemporaryDir out;
        Files files = validFiles();
        if (line == 0) {
            files.erase(file.toStdString());
        } else {
            files[file.toStdString()][static_cast<std::size_t>(line - 1)] = text.toStdString();
        }
        writeFiles(data.path(), files);
        if (!at.isEmpty()) {
            int column = columnOf(text.toStdString(), at.toStdString());
            if (at == ",,1") {
                column += 1; // the empty field after the first comma
            }
            expected.replace("@", QString::number(column));
        }
        // An older database stays as it was.
        const QString db = out.path() + "/lahman.db";
        {
            std::ofstream old(db.toStdString());
            old << "previous";
        }
        try {
            bbstatsd::importLahman(data.path().toStdString(), db.toStdString());
            QFAIL("import succeeded");
        } catch (const std::runtime_error& e) {
            QVERIFY2(QString(e.what()).startsWith(expected), e.what());
        }
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{"lahman.db"});
        QFile kept(db);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("previous"));
    }

    void targetFolderMissing() {
        QTemporaryDir dir;
        writeFiles(dir.path(), validFiles());
        const std::string db = (dir.path() + "/no/such/folder/lahman.db").toStdString();
        try {
            bbstatsd::importLahman(dir.path().toStdString(), db);
            QFAIL("import succeeded");
        } catch (const std::runtime_error& e) {
            QVERIFY2(QString(e.what()).startsWith(QString::fromStdString(db)), e.what());
        }
    }

    // bbstatsd import is stopped while it waits for Batting.csv (a pipe nobody writes to), its
    // temporary file made: SIGINT, SIGTERM and SIGHUP leave nothing behind, SIGKILL leaves the
    // file. The next import of the same target clears leftovers that no import holds, and keeps one
    // that is held and those of other targets.
    void interruptedImport_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("leftovers");
        QTest::newRow("SIGINT") << int(SIGINT) << 0;
        QTest::newRow("SIGTERM") << int(SIGTERM) << 0;
        QTest::newRow("SIGHUP") << int(SIGHUP) << 0;
        QTest::newRow("SIGKILL") << int(SIGKILL) << 1;
    }

    void interruptedImport() {
        QFETCH(int, signal);
        QFETCH(int, leftovers);
        QTemporaryDir data;
        QTemporaryDir out;
        writeFiles(data.path(), validFiles());
        const QString batting = data.filePath("Batting.csv");
        QVERIFY(QFile::remove(batting));
        QCOMPARE(mkfifo(batting.toUtf8().constData(), 0600), 0);
        QProcess import;
        import.start(qEnvironmentVariable("BBSTATS_BINARY_DIR") + "/bbstatsd",
                     {"import", data.path(), out.filePath("lahman.db")});
        QVERIFY(import.waitForStarted());
        const QStringList pattern{"lahman.db.importing-*"};
        QDeadlineTimer deadline(60000);
        while (QDir(out.path()).entryList(pattern, QDir::Files).isEmpty() &&
               !deadline.hasExpired()) {
            QTest::qWait(20);
        }
        QCOMPARE(QDir(out.path()).entryList(pattern, QDir::Files).size(), 1);
        ::kill(static_cast<pid_t>(import.processId()), signal);
        QVERIFY(import.waitForFinished(30000));
        QCOMPARE(import.exitStatus(), QProcess::CrashExit);
        QCOMPARE(QDir(out.path()).entryList(pattern, QDir::Files).size(), leftovers);

        const QString held = out.filePath("lahman.db.importing-held01");
        const QString other = out.filePath("other.db.importing-abcdef");
        for (const QString& path : {held, other}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const int holder = ::open(held.toUtf8().constData(), O_RDONLY);
        QCOMPARE(flock(holder, LOCK_EX), 0);
        QVERIFY(QFile::remove(batting));
        writeFiles(data.path(), validFiles());
        bbstatsd::importLahman(data.path().toStdString(), out.filePath("lahman.db").toStdString());
        ::close(holder);
        QCOMPARE(
            QDir(out.path()).entryList(QDir::Files, QDir::Name),
            (QStringList{"lahman.db", "lahman.db.importing-held01", "other.db.importing-abcdef"}));
    }

    void quotedLineBreaksAndCrLf() {
        QTemporaryDir dir;
        Files files = validFiles();
        files["People.csv"][1] = "\"smithjo01\",1880,\"John\",\"Smith\",\"B\",\"R\"\r";
        files["People.csv"][3] = "\"oneilti01\",,\"Tip\nTop\",\"O'Neill\",\"R\",";
        files["People.csv"].push_back("\"\",,\"X\",\"Y\",\"R\",\"R\"");
        writeFiles(dir.path(), files);
        // The record after a quoted line break starts on line 6, not 5.
        try {
            bbstatsd::importLahman(dir.path().toStdString(), (dir.path() + "/x.db").toStdString());
            QFAIL("import succeeded");
        } catch (const std::runtime_error& e) {
            QVERIFY2(QString(e.what()).startsWith("People.csv:6:1: empty playerID"), e.what());
        }
        files["People.csv"].pop_back();
        writeFiles(dir.path(), files);
        bbstatsd::importLahman(dir.path().toStdString(), (dir.path() + "/x.db").toStdString());
        Engine engine((dir.path() + "/x.db").toStdString());
        const auto bat = lines(engine.answer(Table::Batters, "0!1!300!\r\n*\r\n\x1a"));
        // A line break inside a name would split the reply line: it is served as a blank.
        QCOMPARE(bat[1], std::string("O'Neill, Tip Top"));
    }
};

QTEST_GUILESS_MAIN(TestImport)
#include "test_import.moc"
