#pragma once

#include <QString>

// Compresses the file `source` into a new file `target` in the gzip format
// (zlib's deflate), replacing what `target` held. Returns an empty text on
// success, else a message naming the file and what failed; a failed run
// removes the unfinished target.
QString CompressFile(const QString& source, const QString& target);
