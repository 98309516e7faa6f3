// Imports the real Lahman data once for the service tests: argv[1] is the data folder,
// argv[2] the database file to write. LAHMAN_DIR, when set, overrides the data folder. A
// database newer than the CSV files and than this program is kept as it is.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "service/engine/importer.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: import_fixture DATA_DIR DB_FILE\n");
        return 2;
    }
    const char* env = std::getenv("LAHMAN_DIR");
    const std::string dir = env && *env ? env : argv[1];
    const std::filesystem::path db = argv[2];
    try {
        namespace fs = std::filesystem;
        if (fs::exists(db)) {
            const auto built = fs::last_write_time(db);
            bool fresh = fs::last_write_time("/proc/self/exe") < built;
            for (const char* name :
                 {"Batting.csv", "Pitching.csv", "Fielding.csv", "Teams.csv", "People.csv"}) {
                fresh = fresh && fs::last_write_time(fs::path(dir) / name) < built;
            }
            if (fresh) {
                std::printf("%s is up to date\n", db.string().c_str());
                return 0;
            }
        }
        fs::create_directories(db.parent_path());
        bbstatsd::importLahman(dir, db.string());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "import failed: %s\n", e.what());
        return 1;
    }
    std::printf("imported %s into %s\n", dir.c_str(), db.string().c_str());
    return 0;
}
