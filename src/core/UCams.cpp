#include "core/UCams.h"

#include "core/AtomicFile.h"
#include "core/DisplayText.h"
#include "core/SettingsKey.h"

#include <QSet>
#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <limits>
#include <optional>

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
    ApplyLines({&line, 1});
}

void TWebCam::ApplyLines(std::span<const QByteArrayView> lines) {
    // The catalogue reply holds a million of these lines: keys are compared in place, and the texts
    // of a record are copied into one block that its fields share, one allocation per cam rather
    // than one per field.
    static const std::array<std::pair<QByteArrayView, QByteArray TWebCam::*>, 6> textKeys{{
        {"url", &TWebCam::URL},
        {"name", &TWebCam::Name},
        {"description", &TWebCam::Description},
        {"category", &TWebCam::Category},
        {"webpage", &TWebCam::Webpage},
        {"country", &TWebCam::Country},
    }};
    std::array<std::optional<QByteArrayView>, textKeys.size()> texts;
    for (const QByteArrayView line : lines) {
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue; // an empty key, which no cam key is
        const QByteArrayView key(line.constData(), equals);
        const QByteArrayView rest = line.sliced(equals + 1);
        if (key == "refid") {
            RefID = ToIntegerOr(rest, 0);
        } else if (key == "refresh") {
            Refresh = ToIntegerOr(rest, DefaultRefresh);
        } else {
            const auto known = std::find_if(textKeys.begin(), textKeys.end(),
                                            [key](const auto& textKey) { return textKey.first == key; });
            if (known != textKeys.end())
                texts[size_t(known - textKeys.begin())] = rest;
        }
    }

    qsizetype blockSize = 0;
    for (const std::optional<QByteArrayView>& text : texts)
        blockSize += text ? text->size() + 1 : 0;
    if (blockSize == 0)
        return;
    QByteArray block(blockSize, Qt::Uninitialized);
    char* const start = block.data();
    char* out = start;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (!texts[i])
            continue;
        // Each text keeps the terminating NUL that every QByteArray has.
        std::memcpy(out, texts[i]->data(), size_t(texts[i]->size()));
        out[texts[i]->size()] = '\0';
        QByteArray::DataPointer shared = block.data_ptr();
        shared.ptr = out;
        shared.size = texts[i]->size();
        this->*textKeys[i].second = QByteArray(std::move(shared));
        out += texts[i]->size() + 1;
    }
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
    // Views into `lines`, which hold the bytes for as long as this runs.
    std::vector<QByteArrayView> keyLines;
    const auto finishCurrent = [&] {
        if (!current)
            return;
        current->ApplyLines(keyLines);
        keyLines.clear();
        if (current->RefID == 0)
            current->RefID = NewRefID();
    };
    RecordText::ReadRecords(
        lines, CamKind, RecordText::ReadMode::Exact,
        [&] {
            finishCurrent();
            current = Add();
        },
        [&](QByteArrayView line) {
            keyLines.push_back(line);
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
    RecordText::ReadRecordBlocks(text, CamKind, RecordText::ReadMode::Exact,
                                 [this](std::span<const QByteArrayView> keyLines) {
                                     const TWebCamPtr cam = Add();
                                     cam->ApplyLines(keyLines);
                                     if (cam->RefID == 0)
                                         cam->RefID = NewRefID();
                                     return true;
                                 });
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
