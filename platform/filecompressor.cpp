#include "platform/filecompressor.h"

#include <QByteArray>
#include <QFile>

#include <zlib.h>

namespace {

// The gzip form of `data`; empty when zlib fails.
QByteArray gzip(const QByteArray& data) {
    z_stream stream{};
    // 15 window bits plus 16: a gzip header and trailer around the deflate data.
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        return {};
    }
    QByteArray out(static_cast<qsizetype>(deflateBound(&stream, static_cast<uLong>(data.size()))),
                   '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&stream, Z_FINISH);
    const auto written = static_cast<qsizetype>(stream.total_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END) {
        return {};
    }
    out.truncate(written);
    return out;
}

} // namespace

QString CompressFile(const QString& source, const QString& target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        return QStringLiteral("Cannot open file %1: %2").arg(source, in.errorString());
    }
    const QByteArray data = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        return QStringLiteral("Cannot read file %1: %2").arg(source, in.errorString());
    }
    const QByteArray packed = gzip(data);
    if (packed.isEmpty()) {
        return QStringLiteral("Cannot compress file %1").arg(source);
    }
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return QStringLiteral("Cannot create file %1: %2").arg(target, out.errorString());
    }
    if (out.write(packed) != packed.size() || !out.flush()) {
        const QString why = out.errorString();
        out.close();
        out.remove();
        return QStringLiteral("Cannot write file %1: %2").arg(target, why);
    }
    return QString();
}
