#pragma once

#include "E2EHarness.h"
#include "TestHttpServer.h"
#include "core/SettingsKey.h"
#include "core/picture/PictureEncoders.h"

#include <QTest>

namespace E2E {

// Serves a catalogue of one cam, "Harbour" at http://cams.test/live/harbour.jpg, refreshed every
// second and showing `colour`, and stores it as the active cam of an active program that shows no
// messages: a start installs its picture at once.
inline void ServeAndStoreHarbourCam(TestHttpServer& server, const Rgb& colour) {
    server.Serve("/live/harbour.jpg", EncodeJpeg(Filled(320, 240, colour), 95), "image/jpeg");
    server.Serve("/lmr/camlist3.php",
                 "object=cam\r\nrefid=3\r\nurl=http://cams.test/live/harbour.jpg\r\nname=Harbour\r\n"
                 "refresh=1\r\ncategory=Sea\r\ncountry=Portugal\r\nend\r\n",
                 "text/plain");
    std::optional<TSettingsKey> key = TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing);
    QVERIFY(key);
    key->Write(Settings::CamURL, "http://cams.test/live/harbour.jpg");
    key->Write(Settings::CamName, "Harbour");
    key->Write(Settings::CamRefID, 3);
    key->Write(Settings::CamRefresh, 1);
    key->Write(Settings::Active, true);
    key->Write(Settings::ShowMessages, false);
    key->Write(Settings::Stretch, true);
    QVERIFY(key->Close());
}

} // namespace E2E
