// Record text as every reader meets it: the catalogue reply's cams and languages read in place,
// line by line, and trimmed; custom cams written back read the same.
#include "FuzzTarget.h"
#include "core/CatalogueRequest.h"
#include "core/RecordText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    TCamList cams;
    TLanguageList languages;
    ReadCatalogueRecords(text, cams, languages);

    // The line-by-line reading gives the same cams as the in-place one.
    TCamList byLines;
    byLines.LoadFromLines(RecordText::SplitLines(text));
    FUZZ_REQUIRE(byLines.Count() == cams.Count());

    qsizetype trimmedKeys = 0;
    RecordText::ReadRecords(
        RecordText::SplitLines(text), "cam", RecordText::ReadMode::Trimmed, [] {},
        [&](const QByteArray& line) {
            trimmedKeys += RecordText::RecordKey(line).size();
            return true;
        });

    // Every cam saved as a custom cam reads back with the same fields.
    for (const TWebCamPtr& cam : cams)
        cam->Category = TWebCam::CustomCategory;
    TCamList reread;
    reread.LoadFromText(cams.CustomRecordText());
    FUZZ_REQUIRE(reread.Count() == cams.Count());
    for (qsizetype i = 0; i < cams.Count(); ++i) {
        FUZZ_REQUIRE(reread.Items(i)->URL == cams.Items(i)->URL);
        FUZZ_REQUIRE(reread.Items(i)->Name == cams.Items(i)->Name);
        FUZZ_REQUIRE(reread.Items(i)->Country == cams.Items(i)->Country);
    }
    return 0;
}
