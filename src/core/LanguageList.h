#pragma once

#include "core/RecordText.h"

#include <QByteArray>
#include <memory>
#include <vector>

// One language that the catalogue server offers.
class TWebLanguage {
public:
    QByteArray languagepack; // address of the language's pack
    QByteArray name;         // menu caption
    qint32 packversion = 0;  // grows with every new pack of the language
    QByteArray webpage;
    qint32 refid = 0; // the language number

    // Applies one key line of a language record; unknown keys are ignored.
    void ApplyLine(QByteArrayView line);
};

// The languages of the last catalogue reply, in reply order.
class TLanguageList {
public:
    TWebLanguage& Add();
    qsizetype Count() const { return static_cast<qsizetype>(m_languages.size()); }
    const TWebLanguage& Items(qsizetype index) const { return *m_languages.at(static_cast<size_t>(index)); }

    // Appends one language per language record of the reply (exact reading).
    void LoadFromLines(const RecordText::Lines& lines);
    void LoadFromLines(const RecordText::LineViews& lines);
    // The same for a whole reply, read in place.
    void LoadFromText(const QByteArray& text);

    // The first language with this number; none when there is none.
    const TWebLanguage* Find(qint32 refid) const;

private:
    template <typename Lines> void ReadLanguageRecords(const Lines& lines);

    std::vector<std::unique_ptr<TWebLanguage>> m_languages;
};
