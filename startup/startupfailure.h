#pragma once

#include <QString>

// Why the start-up sequence stopped, as a value; `kind` None means it did not.
struct StartupFailure {
    enum class Kind { None, CannotOpen, CannotCreate, InputOutput };
    Kind kind = Kind::None;
    QString path;
    QString detail; // what went wrong, for input/output errors

    bool failed() const { return kind != Kind::None; }

    // "Cannot open file %s", "Cannot create file %s" with the path in place
    // of %s, or an input/output error naming the file and what failed.
    QString message() const;

    static StartupFailure cannotOpen(const QString& path) { return {Kind::CannotOpen, path, {}}; }
    static StartupFailure cannotCreate(const QString& path) {
        return {Kind::CannotCreate, path, {}};
    }
    static StartupFailure inputOutput(const QString& path, const QString& detail) {
        return {Kind::InputOutput, path, detail};
    }
};
