#include "net/TrustAnchors.h"

#include <QFile>
#include <curl/curl.h>
#include <memory>

namespace {

QByteArray ReadFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file of anchors libcurl would use by itself; empty when it was built without one.
QByteArray SystemAnchorsFile() {
    const std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
    const char* path = nullptr;
    if (!curl || curl_easy_getinfo(curl.get(), CURLINFO_CAINFO, &path) != CURLE_OK || !path)
        return {};
    return path;
}

} // namespace

std::optional<QByteArray> TrustAnchorsForTransfers() {
    const QByteArray added = qgetenv("LUMORA_EXTRA_CA_FILE");
    if (added.isEmpty())
        return QByteArray();
    const QByteArray extra = ReadFile(QFile::decodeName(added));
    if (!extra.contains("-----BEGIN CERTIFICATE-----"))
        return std::nullopt;
    const QByteArray system = SystemAnchorsFile();
    return ReadFile(QFile::decodeName(system)) + '\n' + extra;
}
