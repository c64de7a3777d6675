#include "core/LanguageList.h"

namespace {

const QByteArray LanguageKind = QByteArrayLiteral("language");

qint32 ToIntegerOrZero(QByteArrayView text) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : 0;
}

} // namespace

void TWebLanguage::ApplyLine(QByteArrayView line) {
    const qsizetype equals = line.indexOf('=');
    if (equals < 0)
        return;
    const QByteArrayView key = line.first(equals);
    const QByteArrayView value = line.sliced(equals + 1);
    if (key == "refid")
        refid = ToIntegerOrZero(value);
    else if (key == "languagepack")
        languagepack = value.toByteArray();
    else if (key == "name")
        name = value.toByteArray();
    else if (key == "packversion")
        packversion = ToIntegerOrZero(value);
    else if (key == "webpage")
        webpage = value.toByteArray();
}

TWebLanguage& TLanguageList::Add() {
    m_languages.push_back(std::make_unique<TWebLanguage>());
    return *m_languages.back();
}

template <typename Lines> void TLanguageList::ReadLanguageRecords(const Lines& lines) {
    TWebLanguage* current = nullptr;
    RecordText::ReadRecords(
        lines, LanguageKind, RecordText::ReadMode::Exact, [&] { current = &Add(); },
        [&](QByteArrayView line) {
            current->ApplyLine(line);
            return true;
        });
}

void TLanguageList::LoadFromLines(const RecordText::Lines& lines) {
    ReadLanguageRecords(lines);
}

void TLanguageList::LoadFromLines(const RecordText::LineViews& lines) {
    ReadLanguageRecords(lines);
}

void TLanguageList::LoadFromText(const QByteArray& text) {
    ReadLanguageRecords(text);
}

const TWebLanguage* TLanguageList::Find(qint32 refid) const {
    for (const auto& language : m_languages) {
        if (language->refid == refid)
            return language.get();
    }
    return nullptr;
}
