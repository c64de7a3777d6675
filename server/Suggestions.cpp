#include "Suggestions.h"

#include "FormBody.h"
#include "core/CamSuggestion.h"

namespace {

// Values are listed on one line each: control bytes a client sent are shown as \xNN.
QByteArray OneLine(const QByteArray& value) {
    QByteArray out;
    for (const char c : value) {
        if (static_cast<unsigned char>(c) < 32 && c != '\t')
            out += "\\x" +
                   QByteArray::number(static_cast<unsigned char>(c), 16).rightJustified(2, '0').toUpper();
        else
            out += c;
    }
    return out;
}

// An approved cam goes out in every catalogue reply as record text, where a line break or a NUL
// byte would end its value and could start records of its own: such bytes become blanks.
QByteArray RecordValueText(QByteArray value) {
    for (char& c : value) {
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    }
    return value;
}

} // namespace

std::optional<TSuggestion> ParseSuggestion(const QByteArray& body) {
    QList<QByteArray> values;
    if (const auto ordered = FormBody::OrderedValues(body, SuggestionKeys())) {
        values = *ordered;
    } else {
        // Not in Lumora's order (another client, or a hand-made request): plain pairs, first one wins.
        if (!FormBody::Value(body, "source"))
            return std::nullopt;
        for (const QByteArray& key : SuggestionKeys())
            values.append(FormBody::Value(body, key).value_or(QByteArray()));
    }
    TSuggestion s;
    s.Body = body;
    s.Title = values.at(0);
    s.Description = values.at(1);
    s.Source = values.at(2);
    s.Webpage = values.at(3);
    s.Country = values.at(4);
    s.Refresh = values.at(5);
    s.Language = values.at(6);
    s.Category = values.at(7);
    return s;
}

TWebCam CamFromSuggestion(const TSuggestion& suggestion, const QByteArray& category) {
    TWebCam cam;
    cam.URL = RecordValueText(suggestion.Source);
    cam.Name = RecordValueText(suggestion.Title);
    cam.Description = RecordValueText(suggestion.Description);
    cam.Country = RecordValueText(suggestion.Country);
    cam.Category = RecordValueText(category);
    cam.Webpage = RecordValueText(suggestion.Webpage);
    // The same rule as a catalogue record's "refresh" line.
    cam.ApplyLine("refresh=" + suggestion.Refresh);
    return cam;
}

QByteArray SuggestionRecord(const TSuggestion& s) {
    RecordText::Lines lines;
    RecordText::WriteRecord(lines, "suggestion",
                            {{"id", QByteArray::number(s.Id)},
                             {"status", s.Status},
                             {"received", s.Received},
                             {"title", OneLine(s.Title)},
                             {"description", OneLine(s.Description)},
                             {"source", OneLine(s.Source)},
                             {"webpage", OneLine(s.Webpage)},
                             {"country", OneLine(s.Country)},
                             {"refresh", OneLine(s.Refresh)},
                             {"language", OneLine(s.Language)},
                             {"category", OneLine(s.Category)},
                             {"camrefid", s.CamRefID ? QByteArray::number(*s.CamRefID) : QByteArray()}});
    lines.append(QByteArray());
    return RecordText::JoinLines(lines);
}
