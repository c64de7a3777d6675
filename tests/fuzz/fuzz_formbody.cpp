// What lumora-server reads from strangers: a form body, and a suggestion stored from it. A stored
// suggestion must read back as the same cam, whatever the bytes in its fields.
#include "FormBody.h"
#include "FuzzTarget.h"
#include "Suggestions.h"
#include "core/UCams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray body(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)FormBody::Pairs(body);
    (void)FormBody::Value(body, "language");
    (void)FormBody::IntegerValue(body, "refid", 0);
    (void)FormBody::OrderedValues(body, {"title", "description", "source"});

    const std::optional<TSuggestion> suggestion = ParseSuggestion(body);
    if (!suggestion)
        return 0;
    TCamList listed;
    listed.LoadFromText(SuggestionRecord(*suggestion));
    FUZZ_REQUIRE(listed.Count() <= 1);

    // Approved, it goes out in every catalogue reply as one record that reads back as itself.
    const TWebCam cam = CamFromSuggestion(*suggestion, "Suggested");
    RecordText::Lines lines;
    cam.WriteRecord(lines);
    TCamList catalogue;
    catalogue.LoadFromText(RecordText::JoinLines(lines));
    FUZZ_REQUIRE(catalogue.Count() == 1);
    const TWebCam& read = *catalogue.Items(0);
    FUZZ_REQUIRE(read.URL == cam.URL && read.Name == cam.Name && read.Description == cam.Description);
    FUZZ_REQUIRE(read.Country == cam.Country && read.Webpage == cam.Webpage && read.Category == cam.Category);
    return 0;
}
