#include "core/CatalogueRequest.h"

#include "core/LogCategories.h"
#include "core/SettingsKey.h"

#include <QFile>
#include <QFileInfo>

namespace {

// A free name beside `path` that says what happened to the file: "Custom.Cams.broken", then
// "Custom.Cams.broken.2" and so on, so that an earlier kept copy is never replaced.
QString BrokenFileName(const QString& path) {
    const QString base = path + QStringLiteral(".broken");
    QString name = base;
    for (int number = 2; QFileInfo::exists(name); ++number)
        name = base + QLatin1Char('.') + QString::number(number);
    return name;
}

// Whether the bytes hold something the record reader cannot see: a NUL byte ends the text early,
// and text that is not blank but holds no cam was not written as cam records.
bool HoldsUnreadableText(const QByteArray& bytes, qsizetype camsRead) {
    return bytes.contains('\0') || (camsRead == 0 && !bytes.trimmed().isEmpty());
}

} // namespace

namespace CatalogueServer {

QByteArray Host() {
    const QByteArray host = qgetenv("LUMORA_CATALOGUE_HOST");
    return host.isEmpty() ? QByteArrayLiteral(LUMORA_DEFAULT_CATALOGUE_HOST) : host;
}

QByteArray ScriptUrl(const char* script) {
    const QByteArray host = Host();
    const QByteArray scheme = host.left(8).toLower();
    const bool named = scheme.startsWith("http://") || scheme.startsWith("https://");
    return (named ? host : "http://" + host) + script;
}

} // namespace CatalogueServer

qint32 StoredActiveRefID() {
    const std::optional<TSettingsKey> key = TSettingsKey::Open();
    if (!key)
        return 0;
    return key->ReadOr(Settings::CamRefID);
}

QByteArray CatalogueRequestBody(int language, const QByteArray& computer, qint32 storedRefID) {
    QByteArray body = "language=" + QByteArray::number(language) + "&computer=" + computer;
    if (storedRefID > 0)
        body += "&refid=" + QByteArray::number(storedRefID);
    return body;
}

QString LoadCustomCamsFile(TCamList& list, const QString& path) {
    if (!QFileInfo::exists(path))
        return {};
    QFile file(path);
    QByteArray bytes;
    bool readable = file.open(QIODevice::ReadOnly);
    if (readable) {
        bytes = file.readAll();
        readable = file.error() == QFileDevice::NoError;
        file.close();
    }
    const qsizetype countBefore = list.Count();
    if (readable)
        list.LoadFromText(bytes);
    if (readable && !HoldsUnreadableText(bytes, list.Count() - countBefore))
        return {};
    // The next save would replace the user's cams with nothing: keep the file aside instead.
    const QString keptAs = BrokenFileName(path);
    if (!QFile::rename(path, keptAs)) {
        qCWarning(lcCatalogue).noquote()
            << "Cannot read" << path << "nor move it aside:" << file.errorString();
        return {};
    }
    qCWarning(lcCatalogue).noquote() << "Cannot read the custom cams in" << path << "- the file is kept as"
                                     << keptAs;
    return keptAs;
}

void ReadCatalogueRecords(const QByteArray& reply, TCamList& cams, TLanguageList& languages) {
    // Each list reads the reply in place: two quick scans of its lines cost less than a list of a
    // million of them.
    cams.LoadFromText(reply);
    languages.LoadFromText(reply);
}
