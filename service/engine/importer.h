#pragma once

#include <string>

namespace bbstatsd {

// Imports the Lahman CSV files in dir into a new SQLite file at dbPath (replaced atomically:
// written beside it under a temporary name and renamed at the end, removed on failure).
// Throws std::runtime_error with "file:line:column: problem".
void importLahman(const std::string& dir, const std::string& dbPath);

} // namespace bbstatsd
