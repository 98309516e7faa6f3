#pragma once

#include <string>

namespace bbstatsd {

// The file an import writes before it replaces its target: "TARGET.importing-XXXXXX" beside the
// target, created readable like any file the user writes. While it exists the import holds an
// exclusive lock on it, so a leftover of an import that was killed is told apart from one in
// progress: creating a new one first removes the unlocked leftovers of the same target. SIGINT,
// SIGTERM and SIGHUP remove the file before the process ends as the signal says. One import at a
// time per process.
class ImportTempFile {
public:
    // Clears stale leftovers, creates and locks the file. Throws std::runtime_error
    // "TARGET:0:0: problem" when it cannot be created.
    explicit ImportTempFile(const std::string& target);
    // Removes the file unless commit() renamed it; restores the signal handlers.
    ~ImportTempFile();
    ImportTempFile(const ImportTempFile&) = delete;
    ImportTempFile& operator=(const ImportTempFile&) = delete;

    // The temporary file's path.
    const std::string& path() const { return m_path; }

    // Renames the file over the target. Throws std::runtime_error when it cannot.
    void commit();

    // Removes the leftovers of earlier imports of target that no process holds; returns how many.
    static int clearStale(const std::string& target);

private:
    std::string m_target;
    std::string m_path;
    int m_fd = -1;
    bool m_committed = false;
};

} // namespace bbstatsd
