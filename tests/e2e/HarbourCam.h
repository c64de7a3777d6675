#pragma once

#include "E2EHarness.h"
#include "TestHttpServer.h"
#include "core/StoredSettings.h"
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
    QVERIFY((TStoredSettings{"http://cams.test/live/harbour.jpg", "Harbour", 3}.Store()));
}

} // namespace E2E
