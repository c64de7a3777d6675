#include "CamCommands.h"

#include "CommandError.h"
#include "CommandOptions.h"
#include "StoreLocation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

const QStringList CheckerOptions = {QStringLiteral("check-concurrency"), QStringLiteral("frozen-after")};

namespace {

// A cam's state in a word: "local" for a picture this server serves itself, which is not checked.
QString State(const TCamWithHealth& cam) {
    if (cam.Cam.Cam.URL.startsWith('/'))
        return QStringLiteral("local");
    if (!cam.Health)
        return QStringLiteral("unchecked");
    if (!cam.Health->Withheld.isEmpty())
        return QString::fromLatin1(cam.Health->Withheld);
    return cam.Health->Failures > 0 ? QStringLiteral("failing") : QStringLiteral("alive");
}

QString SizeText(const TCamHealth& health) {
    return health.Width > 0 ? QStringLiteral("%1x%2").arg(health.Width).arg(health.Height) : QString();
}

QJsonObject CamJson(const TCamWithHealth& cam) {
    QJsonObject object{{"refid", qint64(cam.Cam.Cam.RefID)},
                       {"name", QString::fromUtf8(cam.Cam.Cam.Name)},
                       {"url", QString::fromUtf8(cam.Cam.Cam.URL)},
                       {"state", State(cam)},
                       {"withheld", cam.Health && !cam.Health->Withheld.isEmpty()}};
    if (cam.Health) {
        const TCamHealth& health = *cam.Health;
        object.insert("last_check", QString::fromLatin1(health.LastCheck));
        object.insert("last_success", QString::fromLatin1(health.LastSuccess));
        object.insert("failures", health.Failures);
        object.insert("last_failure", QString::fromUtf8(health.LastFailure));
        object.insert("content_type", QString::fromUtf8(health.ContentType));
        object.insert("bytes", health.Bytes);
        object.insert("width", health.Width);
        object.insert("height", health.Height);
        object.insert("changed", QString::fromLatin1(health.Changed));
        object.insert("changed_since_previous", health.ChangedSincePrevious);
    }
    return object;
}

// One line a cam, in columns as wide as their widest value.
void PrintTable(const std::vector<QStringList>& rows) {
    std::vector<qsizetype> widths;
    for (const QStringList& row : rows) {
        widths.resize(std::max(widths.size(), std::size_t(row.size())));
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[std::size_t(i)] = std::max(widths[std::size_t(i)], row[i].size());
    }
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row[i].leftJustified(widths[std::size_t(i)] + 2) : row[i];
        Print(stdout, line);
    }
}

QStringList StatusRow(const TCamWithHealth& cam) {
    const TCamHealth health = cam.Health.value_or(TCamHealth{});
    const QString reason = health.Failures > 0 ? QString::fromUtf8(health.LastFailure) : QString();
    return {QString::number(cam.Cam.Cam.RefID),
            State(cam),
            cam.Health ? QString::number(health.Failures) : QString(),
            QString::fromLatin1(health.LastCheck.left(19)),
            QString::fromLatin1(health.LastSuccess.left(19)),
            QString::fromLatin1(health.Changed.left(19)),
            QString::fromUtf8(health.ContentType.split(';').first()),
            health.Bytes > 0 ? QString::number(health.Bytes) : QString(),
            SizeText(health),
            QString::fromUtf8(cam.Cam.Cam.Name) +
                (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason)};
}

} // namespace

TCheckerSettings CheckerSettings(const TCommandLine& line, const QByteArray& publicHost) {
    TCheckerSettings settings;
    settings.Concurrency =
        int(std::clamp<qint64>(CountOption(line, QStringLiteral("check-concurrency"), 16), 1, 1000));
    settings.Rules.FrozenAfterSeconds =
        DurationOption(line, QStringLiteral("frozen-after"), settings.Rules.FrozenAfterSeconds);
    const QByteArray home = publicHost.startsWith("http") ? publicHost : "http://" + publicHost;
    settings.Agent =
        "lumora-server/" LUMORA_VERSION_TEXT " (cam check for the Lumora catalogue; +" + home + "/)";
    return settings;
}

int CheckCams(const TCommandLine& line) {
    const QByteArray publicHost =
        line.Value(QStringLiteral("public-host"), QStringLiteral(LUMORA_DEFAULT_CATALOGUE_HOST)).toUtf8();
    TCheckerSettings settings = CheckerSettings(line, publicHost);
    std::unique_ptr<TCatalogueStore> store = OpenStore(line.Value(QStringLiteral("db")));
    std::vector<TCamToCheck> cams = store->CamsToCheck();
    std::unique_ptr<TCheckerLease> lease;
    if (line.Has(QStringLiteral("cam"))) {
        const qint64 refid = NumberOption(line, QStringLiteral("cam"));
        std::erase_if(cams, [&](const TCamToCheck& cam) { return cam.RefID != refid; });
        if (cams.empty())
            throw TCommandError(
                QStringLiteral("there is no cam %1 with a picture elsewhere to check").arg(refid));
    } else {
        // A whole pass is the checker's work: one process at a time does it.
        lease = store->CheckerLease();
        if (!lease->Hold())
            throw TCommandError(QStringLiteral(
                "another process checks this catalogue's cams now (a server's checker); --cam checks one"));
        store->ForgetRemovedCamsHealth();
    }

    int alive = 0, failing = 0, withheld = 0;
    for (const TRecordedCheck& check : TCamChecker(*store, settings).CheckOnce(cams)) {
        const TCamHealth& health = check.Health;
        QString outcome;
        if (!health.Withheld.isEmpty()) {
            ++withheld;
            outcome = QStringLiteral("withheld (%1)").arg(QString::fromLatin1(health.Withheld));
        } else if (health.Failures > 0) {
            ++failing;
            outcome = QStringLiteral("failing (%1 in a row)").arg(health.Failures);
        } else {
            ++alive;
            outcome = QStringLiteral("alive");
        }
        const QString detail = health.Failures > 0 ? QString::fromUtf8(health.LastFailure)
                                                   : QStringLiteral("%1 %2 bytes %3")
                                                         .arg(SizeText(health))
                                                         .arg(health.Bytes)
                                                         .arg(QString::fromUtf8(health.ContentType));
        Print(stdout, QStringLiteral("cam %1\t%2\t%3").arg(check.RefID).arg(outcome, detail));
    }
    Print(stdout, QStringLiteral("checked %1 cams: %2 alive, %3 failing, %4 withheld")
                      .arg(alive + failing + withheld)
                      .arg(alive)
                      .arg(failing)
                      .arg(withheld));
    return 0;
}

int ListCams(const TCommandLine& line) {
    std::unique_ptr<TCatalogueStore> store =
        OpenStore(line.Value(QStringLiteral("db")), TStoreAccess::ReadOnly);
    std::vector<TCamWithHealth> cams = store->CamsWithHealth();
    if (line.Has(QStringLiteral("withheld")))
        std::erase_if(
            cams, [](const TCamWithHealth& cam) { return !cam.Health || cam.Health->Withheld.isEmpty(); });
    const bool status = line.Has(QStringLiteral("status")) || line.Has(QStringLiteral("withheld"));
    if (line.Has(QStringLiteral("json"))) {
        QJsonArray array;
        for (const TCamWithHealth& cam : cams) {
            QJsonObject object = CamJson(cam);
            if (!status)
                object = {{"refid", object["refid"]}, {"name", object["name"]}, {"url", object["url"]}};
            array.append(object);
        }
        PrintBytes(QJsonDocument(array).toJson());
        return 0;
    }
    std::vector<QStringList> rows;
    if (status)
        rows.push_back({"REFID", "STATE", "FAILURES", "LAST CHECK", "LAST SUCCESS", "CHANGED", "TYPE",
                        "BYTES", "SIZE", "NAME"});
    else
        rows.push_back({"REFID", "CATEGORY", "NAME", "URL"});
    for (const TCamWithHealth& cam : cams) {
        const TWebCam& camera = cam.Cam.Cam;
        rows.push_back(status ? StatusRow(cam)
                              : QStringList{QString::number(camera.RefID), QString::fromUtf8(camera.Category),
                                            QString::fromUtf8(camera.Name), QString::fromUtf8(camera.URL)});
    }
    PrintTable(rows);
    return 0;
}
