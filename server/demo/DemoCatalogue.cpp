#include "DemoCatalogue.h"

#include "CommandError.h"
#include "LanguagePacks.h"

#include <QFile>

namespace {

constexpr int Minute = 60;

QByteArray EmbeddedFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TCommandError(QStringLiteral("the server was built without %1").arg(path));
    return file.readAll();
}

} // namespace

const std::vector<TDemoCam>& DemoCams() {
    using F = TPictureFormat;
    using S = TScene;
    using D = TDemoDelivery;
    static const std::vector<TDemoCam> cams = {
        {"clock-london.jpg", "Station Clock, London",
         "The great clock of a London station, live to the second.", "United Kingdom", "City Clocks", 30,
         S::Clock, F::Jpeg, 1024, 768, 0, 1, "LONDON"},
        {"clock-tokyo.jpg", "Tower Clock, Tokyo", "A tower clock above a busy Tokyo crossing.", "Japan",
         "City Clocks", 30, S::Clock, F::Jpeg, 1024, 768, 9 * 60, 1, "TOKYO"},
        {"clock-new-york.gif", "Grand Hall Clock, New York", "The clock of a New York station hall (GIF).",
         "USA", "City Clocks", 60, S::Clock, F::Gif, 800, 600, -5 * 60, 1, "NEW YORK"},
        {"sky-oslo.jpg", "Fjord Sky, Oslo", "The sky over the Oslo fjord, from dawn to starlight.", "Norway",
         "Skies", 120, S::Sky, F::Jpeg, 1280, 720, 1 * 60, 60, "OSLO"},
        {"sky-sydney.jpg", "Harbour Sky, Sydney", "The southern sky above Sydney harbour.", "Australia",
         "Skies", 120, S::Sky, F::Jpeg, 1280, 720, 10 * 60, 60, "SYDNEY"},
        {"sky-cape-town.bmp", "Table Bay Sky, Cape Town", "The sky over Table Bay (Windows bitmap).",
         "South Africa", "Skies", 300, S::Sky, F::Bmp, 800, 600, 2 * 60, 60, "CAPE TOWN"},
        {"traffic-berlin.gif", "Ring Road, Berlin", "Cars on a Berlin ring road (GIF).", "Germany", "Traffic",
         30, S::Traffic, F::Gif, 800, 600, 1 * 60, 1, "BERLIN"},
        {"traffic-paris.jpg", "Boulevard, Paris", "Traffic on a Paris boulevard, lights on after dark.",
         "France", "Traffic", 30, S::Traffic, F::Jpeg, 1024, 768, 1 * 60, 1, "PARIS"},
        {"traffic-sao-paulo.jpg", "Avenida, Sao Paulo", "Rush hour and quiet nights on a Sao Paulo avenue.",
         "Brazil", "Traffic", 30, S::Traffic, F::Jpeg, 1024, 768, -3 * 60, 1, "SAO PAULO"},
        {"harbour-lisbon.jpg", "Tagus Harbour, Lisbon", "Boats and waves in the Lisbon harbour.", "Portugal",
         "Harbours", 60, S::Harbour, F::Jpeg, 1024, 768, 0, 1, "LISBON"},
        {"harbour-halifax.png", "Lighthouse, Halifax",
         "A lighthouse near Halifax. Its picture is a PNG, which Lumora cannot show.", "Canada", "Harbours",
         60, S::Harbour, F::Png, 800, 600, -4 * 60, 1, "HALIFAX"},
        {"panorama-alps.jpg", "Alpine Panorama (5K)", "A 5120 x 2160 panorama of the Alps, larger than 4K.",
         "Switzerland", "Panoramas", 600, S::Panorama, F::Jpeg, 5120, 2160, 1 * 60, 60, "ALPS"},
        {"harbour-stream.mjpg", "Harbour Stream, Lisbon (MJPEG)",
         "The Lisbon harbour as the MJPEG stream of an IP camera.", "Portugal", "Harbours", 30, S::Harbour,
         F::Jpeg, 1024, 768, 0, 1, "LISBON LIVE", D::Stream},
        {"snapshot.cgi", "Snapshot Script, Marseille",
         "A Marseille street from a snapshot script that sends no Content-Length.", "France", "Traffic", 30,
         S::Traffic, F::Jpeg, 1024, 768, 1 * 60, 1, "MARSEILLE", D::WithoutLength},
    };
    return cams;
}

const TDemoCam* FindDemoCam(const QByteArray& fileName) {
    for (const TDemoCam& cam : DemoCams()) {
        if (cam.FileName == fileName)
            return &cam;
    }
    return nullptr;
}

// The resources live in a static library: this pulls them into every program that seeds the demo.
static void LoadDemoData() {
    Q_INIT_RESOURCE(demo_data);
}

QStringList SeedDemoCatalogue(TCatalogueStore& store) {
    LoadDemoData();
    QStringList done;
    int added = 0;
    store.Transaction([&] {
        for (const TDemoCam& demo : DemoCams()) {
            TStoredCam stored;
            stored.Cam.URL = "/demo/" + demo.FileName;
            stored.Cam.Name = demo.Name;
            stored.Cam.Description = demo.Description;
            stored.Cam.Country = demo.Country;
            stored.Cam.Category = demo.Category;
            stored.Cam.Refresh = demo.Refresh;
            stored.Cam.Webpage = "/demo/";
            const std::optional<qint64> existing = store.FindCamByUrl(stored.Cam.URL);
            stored.Cam.RefID = existing ? qint32(*existing) : 0;
            added += existing ? 0 : 1;
            store.PutCam(stored);
        }
    });
    done << QStringLiteral("%1 demo cams (%2 new)").arg(DemoCams().size()).arg(added);

    // The packs lumora-pack built from the shipped language directories (resources/lang).
    const TLanguageEntry languages[] = {
        {0, "English", "/demo/"}, {1, "Deutsch", "/demo/"}, {2, "Français", "/demo/"}};
    for (const TLanguageEntry& language : languages)
        done << AddLanguageFromPack(store, language,
                                    EmbeddedFile(QStringLiteral(":/packs/lang%1.pak").arg(language.RefID)));

    // A welcome page for each language the demo speaks, unless its language has a message already.
    const std::vector<std::pair<qint64, QString>> welcomes = {
        {0, QStringLiteral(":/demo/welcome.html")},
        {1, QStringLiteral(":/demo/welcome-de.html")},
        {2, QStringLiteral(":/demo/welcome-fr.html")},
    };
    const std::vector<TStoredMessage> inForce = store.ActiveMessages();
    for (const auto& [language, page] : welcomes) {
        const bool spoken =
            std::any_of(inForce.begin(), inForce.end(), [language = language](const TStoredMessage& message) {
                return message.Language == language;
            });
        if (spoken)
            continue;
        TStoredMessage welcome;
        welcome.Language = language;
        const qint64 refid = store.AddMessage(welcome, EmbeddedFile(page));
        done << QStringLiteral("welcome message %1 for language %2 is in force").arg(refid).arg(language);
    }
    return done;
}

QByteArray DemoIndexPage() {
    QByteArray page =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Lumora demo cams</title>"
        "<style>body{font-family:sans-serif;margin:2em;max-width:60em}img{max-width:24em;"
        "display:block;margin:.5em 0 1.5em}</style></head><body>\n<h1>Lumora demo cams</h1>\n"
        "<p>These cams are drawn by the catalogue server itself, so the demo works without any "
        "internet connection.</p>\n";
    for (const TDemoCam& cam : DemoCams()) {
        page += "<h2>" + cam.Name + "</h2><p>" + cam.Description + " (" + cam.Country + ", " + cam.Category +
                ")</p>";
        if (cam.Format != TPictureFormat::Png && cam.Format != TPictureFormat::Bmp)
            page += "<img src=\"" + cam.FileName + "\" alt=\"" + cam.Name + "\">";
        else
            page += "<p><a href=\"" + cam.FileName + "\">" + cam.FileName + "</a></p>";
        page += '\n';
    }
    return page + "</body></html>\n";
}
