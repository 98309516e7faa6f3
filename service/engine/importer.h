#pragma once

#include <string>

namespace bbstatsd {

// Version of what the importer writes; the service refuses a file of another version, since its
// figures follow other definitions.
inline constexpr const char* kImportFormat = "5";

// Imports the Lahman CSV files in dir into a new SQLite file at dbPath (replaced atomically:
// written beside it under a temporary name and renamed at the end, removed on failure).
// Throws std::runtime_error with "file:line:column: problem".
void importLahman(const std::string& dir, const std::string& dbPath);

} // namespace bbstatsd
