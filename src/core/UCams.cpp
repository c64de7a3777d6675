#include "core/UCams.h"

#include "core/AtomicFile.h"
#include "core/DisplayText.h"
#include "core/SettingsKey.h"

#include <QSet>
#include <algorithm>
#include <atomic>
#include <limits>

const QByteArray TWebCam::CustomCategory = QByteArrayLiteral("Custom");

namespace {

const QByteArray CamKind = QByteArrayLiteral("cam");

// Every change of every list gets its own generation, so that a generation names one state of one list.
quint64 NextGeneration() {
    static std::atomic<quint64> last{0};
    return ++last;
}

qint32 ToIntegerOr(QByteArrayView text, qint32 fallback) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : fallback;
}

} // namespace

void TWebCam::ApplyLine(QByteArrayView line) {
    // The catalogue reply holds a million of these lines: the key is compared in place and only
    // the value is copied out.
    const qsizetype equals = line.indexOf('=');
    if (equals < 0)
        return; // an empty key, which no cam key is
    const QByteArrayView key(line.constData(), equals);
    const QByteArrayView rest = line.sliced(equals + 1);
    const auto value = [&] { return rest.toByteArray(); };
    if (key == "refid")
        RefID = ToIntegerOr(rest, 0);
    else if (key == "url")
        URL = value();
    else if (key == "name")
        Name = value();
    else if (key == "description")
        Description = value();
    else if (key == "refresh")
        Refresh = ToIntegerOr(rest, DefaultRefresh);
    else if (key == "category")
        Category = value();
    else if (key == "webpage")
        Webpage = value();
    else if (key == "country")
        Country = value();
}

void TWebCam::ReadRecord(const RecordText::Lines& lines, qsizetype& index) {
    RecordText::ReadRecordBody(lines, index, RecordText::ReadMode::Exact, [this](const QByteArray& line) {
        ApplyLine(line);
        return true;
    });
}

void TWebCam::WriteRecord(RecordText::Lines& lines) const {
    RecordText::WriteRecord(lines, CamKind,
                            {{"refid", "0"},
                             {"url", URL},
                             {"name", Name},
                             {"description", Description},
                             {"refresh", QByteArray::number(Refresh)},
                             {"category", Category},
                             {"webpage", Webpage},
                             {"country", Country}});
    lines.append(QByteArray());
}

void TWebCam::LoadFromRegistry() {
    const std::optional<TSettingsKey> key = TSettingsKey::Open();
    if (!key)
        return;
    // A value the key lacks leaves the field as it is.
    const auto read = [&](const auto& setting, auto& field) {
        if (const auto value = key->Read(setting))
            field = *value;
    };
    read(Settings::CamRefID, RefID);
    read(Settings::CamURL, URL);
    read(Settings::CamRefresh, Refresh);
    read(Settings::CamName, Name);
    read(Settings::CamCategory, Category);
    read(Settings::CamCountry, Country);
    read(Settings::CamDescription, Description);
    read(Settings::CamWebpage, Webpage);
}

void TWebCam::SaveToRegistry() const {
    std::optional<TSettingsKey> key = TSettingsKey::Open();
    if (!key)
        return;
    key->Write(Settings::CamRefID, RefID);
    key->Write(Settings::CamURL, URL);
    key->Write(Settings::CamRefresh, Refresh);
    key->Write(Settings::CamName, Name);
    key->Write(Settings::CamCategory, Category);
    key->Write(Settings::CamCountry, Country);
    key->Write(Settings::CamDescription, Description);
    key->Write(Settings::CamWebpage, Webpage);
    key->Close();
}

void TWebCam::CopyIdentityFrom(const TWebCam& other) {
    RefID = other.RefID;
    URL = other.URL;
    Name = other.Name;
    Description = other.Description;
    Country = other.Country;
    Category = other.Category;
    Webpage = other.Webpage;
}

TWebCamPtr TCamList::Add() {
    m_cams.push_back(std::make_shared<TWebCam>());
    m_generation = NextGeneration();
    return m_cams.back();
}

void TCamList::Delete(qsizetype index) {
    m_cams.erase(m_cams.begin() + index);
    m_generation = NextGeneration();
    // The smallest number may have gone with the cam: count again from the start.
    m_counted = 0;
    m_smallest = 0;
}

void TCamList::Changed() {
    m_generation = NextGeneration();
}

template <typename Lines> void TCamList::ReadCamRecords(const Lines& lines) {
    TWebCamPtr current;
    const auto finishCurrent = [&] {
        if (current && current->RefID == 0)
            current->RefID = NewRefID();
    };
    RecordText::ReadRecords(
        lines, CamKind, RecordText::ReadMode::Exact,
        [&] {
            finishCurrent();
            current = Add();
        },
        [&](QByteArrayView line) {
            current->ApplyLine(line);
            return true;
        });
    finishCurrent();
}

void TCamList::LoadFromLines(const RecordText::Lines& lines) {
    ReadCamRecords(lines);
}

void TCamList::LoadFromLines(const RecordText::LineViews& lines) {
    ReadCamRecords(lines);
}

void TCamList::LoadFromText(const QByteArray& text) {
    LoadFromLines(RecordText::SplitLineViews(text));
}

QByteArray TCamList::CustomRecordText() const {
    RecordText::Lines lines;
    for (const TWebCamPtr& cam : m_cams) {
        if (cam->IsCustom())
            cam->WriteRecord(lines);
    }
    return RecordText::JoinLines(lines);
}

QString TCamList::SaveCustom(const QString& path) const {
    return WriteFileAtomically(path, CustomRecordText());
}

void TCamList::AddCountries(QStringList& strings) const {
    ForEachNewCountry(strings, [&strings](const QByteArray&, const QString& text) { strings.append(text); });
}

void TCamList::ForEachNewCountry(
    const QStringList& present,
    const std::function<void(const QByteArray& country, const QString& text)>& add) const {
    // Case-folded texts in a hash: a hostile reply of 100,000 countries must not compare each new
    // one with all before it.
    QSet<QString> known;
    known.reserve(present.size() + m_cams.size());
    for (const QString& entry : present)
        known.insert(entry.toCaseFolded());
    for (const TWebCamPtr& cam : m_cams) {
        const QString text = DisplayText(cam->Country);
        const qsizetype before = known.size();
        known.insert(text.toCaseFolded());
        if (known.size() != before)
            add(cam->Country, text);
    }
}

qint32 TCamList::NewRefID() {
    // Only the cams that joined since the last call are looked at, so reading a catalogue of cams
    // without numbers stays linear. A cam still without its number counts as 0, the start value.
    for (; m_counted < m_cams.size(); ++m_counted)
        m_smallest = std::min(m_smallest, m_cams[m_counted]->RefID);
    // A hostile catalogue may already hold the lowest number there is; reuse it rather than overflow.
    if (m_smallest != std::numeric_limits<qint32>::min())
        --m_smallest;
    return m_smallest;
}

void TCamList::DeleteByRefID(qint32 refid) {
    const auto last = std::find_if(m_cams.rbegin(), m_cams.rend(),
                                   [refid](const TWebCamPtr& cam) { return cam->RefID == refid; });
    if (last != m_cams.rend())
        Delete(std::distance(m_cams.begin(), std::next(last).base()));
}

TWebCamPtr TCamList::FindByRefID(qint32 refid) const {
    const auto first = std::find_if(m_cams.begin(), m_cams.end(),
                                    [refid](const TWebCamPtr& cam) { return cam->RefID == refid; });
    return first == m_cams.end() ? nullptr : *first;
}

QByteArray TCamList::NewCustomName() const {
    // n cams can take at most n of the numbers 1 ... n + 1: mark those taken, in one walk.
    static const QByteArray prefix = QByteArrayLiteral("Custom Cam ");
    std::vector<bool> taken(m_cams.size() + 2, false);
    for (const TWebCamPtr& cam : m_cams) {
        if (!cam->Name.startsWith(prefix))
            continue;
        const QByteArrayView digits = QByteArrayView(cam->Name).sliced(prefix.size());
        bool ok = false;
        const qulonglong n = digits.toULongLong(&ok, 10);
        // Only the exact spelling counts: "Custom Cam 01" or "Custom Cam +1" is another title.
        if (ok && n >= 1 && n < taken.size() && digits == QByteArray::number(n))
            taken[n] = true;
    }
    size_t n = 1;
    while (taken[n])
        ++n;
    return prefix + QByteArray::number(qulonglong(n));
}
