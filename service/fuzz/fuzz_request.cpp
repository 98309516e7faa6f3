// libFuzzer target: any body sent to any of the four statistics services is either answered
// with a well-framed reply or refused with status 400/413 and a one-line reason. The engine
// runs over a small database imported at start from CSV text held here.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "service/engine/engine.h"
#include "service/engine/importer.h"
#include "service/engine/request.h"
#include "service/engine/schema.h"

namespace {

const char* const kFiles[][2] = {
    {"People.csv", "playerID,birthYear,nameFirst,nameLast,bats,throws\n"
                   "smithjo01,1880,John,Smith,B,R\n"
                   "smithjo02,,John,Smith,L,L\n"
                   "oneilti01,1870,Tip,\"O'Neill, Jr.\",R,\n"},
    {"Teams.csv",
     "yearID,lgID,teamID,divID,Rank,G,W,L,R,AB,H,X2B,X3B,HR,BB,SO,SB,CS,HBP,SF,RA,ER,CG,SHO,SV,"
     "IPouts,HA,HRA,BBA,SOA,E,DP,name\n"
     "1901,AL,BOS,,1,140,80,60,700,4800,1300,200,60,30,400,500,100,,,,600,450,100,10,5,3700,1250,"
     "25,380,520,250,100,Boston Americans\n"
     "1901,AL,NYA,,2,140,70,70,650,4700,1250,190,50,20,380,520,90,,,,640,470,90,8,4,3690,1290,30,"
     "390,500,260,110,New York Highlanders\n"
     "1902,NL,BOS,E,1,140,0,0,0,0,0,0,0,0,0,0,0,,,,0,0,0,0,0,0,0,0,0,0,0,0,Boston Beaneaters\n"},
    {"Batting.csv", "playerID,yearID,stint,teamID,lgID,G,AB,R,H,X2B,X3B,HR,RBI,SB,CS,BB,SO,IBB,HBP,"
                    "SH,SF,GIDP\n"
                    "smithjo01,1901,1,BOS,AL,120,400,60,120,20,5,10,70,10,,40,30,,5,3,,\n"
                    "smithjo02,1902,1,BOS,NL,3,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0\n"
                    "oneilti01,1901,1,NYA,AL,30,100,10,30,5,1,2,15,1,,10,8,,1,0,,\n"
                    "oneilti01,1901,2,BOS,AL,10,30,3,9,1,0,1,4,0,,2,5,,0,0,,\n"},
    {"Pitching.csv", "playerID,yearID,stint,teamID,lgID,W,L,G,GS,CG,SHO,SV,IPouts,H,ER,HR,BB,SO,"
                     "IBB,WP,HBP,BK,BFP,GF,R,SH,SF\n"
                     "oneilti01,1901,1,NYA,AL,20,10,35,30,25,3,1,914,250,60,5,70,120,,4,6,0,1200,3,"
                     "90,,\n"
                     "smithjo02,1902,1,BOS,NL,0,0,1,0,0,0,0,0,2,2,0,1,0,,0,0,0,,1,2,,\n"},
    {"Fielding.csv", "playerID,yearID,stint,teamID,lgID,POS,G,GS,PO,A,E,DP,PB\n"
                     "smithjo01,1901,1,BOS,AL,1B,20,,150,10,2,12,\n"
                     "smithjo01,1901,1,BOS,AL,OF,100,,200,12,5,2,\n"
                     "oneilti01,1901,1,NYA,AL,P,35,30,10,60,3,1,\n"
                     "smithjo02,1902,1,BOS,NL,C,3,,,,,,1\n"},
};

std::unique_ptr<bbstatsd::Engine> makeEngine() {
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/bbstatsd-fuzz-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir) {
        std::abort();
    }
    for (const auto& file : kFiles) {
        std::ofstream(fs::path(dir) / file[0], std::ios::binary) << file[1];
    }
    const std::string db = (fs::path(dir) / "fuzz.db").string();
    bbstatsd::importLahman(dir, db);
    auto engine = std::make_unique<bbstatsd::Engine>(db, 1u << 20);
    fs::remove_all(dir);
    return engine;
}

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::unique_ptr<bbstatsd::Engine> engine = makeEngine();
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    using bbstatsd::Table;
    for (Table t : {Table::Batters, Table::Pitchers, Table::Fielders, Table::Teams}) {
        try {
            const std::string reply = engine->answer(t, body);
            check(reply.size() >= 2 && reply.compare(reply.size() - 2, 2, "\r\n") == 0,
                  "reply ends with CR LF");
            const bbstatsd::TableDef& def = bbstatsd::tableDef(t);
            const bbstatsd::TableShape shape{def.sortFieldCount, def.hasPlayers,
                                             def.positionLine >= 0};
            const bbstatsd::ParsedRequest req = bbstatsd::parseRequest(body, shape);
            std::size_t lines = 0;
            for (std::size_t i = 0; i + 1 < reply.size(); ++i) {
                lines += reply[i] == '\r' && reply[i + 1] == '\n';
            }
            if (req.list) {
                check(reply.size() >= 3 && reply.compare(reply.size() - 3, 3, "*\r\n") == 0,
                      "list reply ends with *");
            } else {
                check(lines == 1 + (static_cast<std::size_t>(req.rows) + 1) * def.fields.size(),
                      "page reply has 1 + (R + 1) * N lines");
            }
        } catch (const bbstatsd::RequestError& e) {
            const std::string reason = e.what();
            check(e.status() == 400 || e.status() == 413, "status 400 or 413");
            check(!reason.empty() && reason.find_first_of("\r\n") == std::string::npos,
                  "one-line reason");
        }
    }
    return 0;
}
