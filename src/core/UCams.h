#pragma once

#include "core/RecordText.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <span>
#include <vector>

// One public webcam. Texts are kept as the bytes the catalogue sent.
class TWebCam {
public:
    QByteArray URL;
    QByteArray Name;
    QByteArray Description;
    QByteArray Country;
    QByteArray Category;
    qint32 Refresh = 0;
    QByteArray Webpage;
    qint32 RefID = 0;

    // Applies one key line of a cam record; unknown keys are ignored.
    void ApplyLine(QByteArrayView line);
    // Applies the key lines of one record in order, as ApplyLine one after another would.
    void ApplyLines(std::span<const QByteArrayView> lines);
    // `index` stands on the opening line; afterwards on the closing line (or the last line).
    void ReadRecord(const RecordText::Lines& lines, qsizetype& index);
    // Appends the cam as a record followed by one empty line. The number is never stored.
    void WriteRecord(RecordText::Lines& lines) const;

    // The active cam's values under the settings key; both do nothing when the key is missing.
    void LoadFromRegistry();
    void SaveToRegistry() const;

    // Copies every field but `Refresh`.
    void CopyIdentityFrom(const TWebCam& other);

    bool IsCustom() const { return Category == CustomCategory; }

    static const QByteArray CustomCategory;
    // The refresh of a record whose "refresh" value is not a number.
    static constexpr qint32 DefaultRefresh = 60;
};

using TWebCamPtr = std::shared_ptr<TWebCam>;

// The ordered catalogue: custom cams first, then the server's, then the ones the user adds.
// Cams are shared, so a cam that the tree or the browser still shows stays valid when the list
// is replaced or the cam is deleted from it.
class TCamList {
public:
    TWebCamPtr Add();
    qsizetype Count() const { return static_cast<qsizetype>(m_cams.size()); }
    const TWebCamPtr& Items(qsizetype index) const { return m_cams.at(static_cast<size_t>(index)); }
    void Delete(qsizetype index);

    // Appends every cam record of the text (exact reading), numbering cams that came without one.
    void LoadFromLines(const RecordText::Lines& lines);
    void LoadFromLines(const RecordText::LineViews& lines);
    // The same for a whole text, read in place: the catalogue reply can hold 100,000 cams.
    void LoadFromText(const QByteArray& text);
    // Writes every custom cam to the file, replacing it as a whole. Empty on success, else the reason;
    // a failed write leaves the previous file as it was.
    QString SaveCustom(const QString& path) const;
    // The bytes SaveCustom writes.
    QByteArray CustomRecordText() const;

    // Appends each cam's country unless the list already holds it, ignoring letter case.
    void AddCountries(QStringList& strings) const;
    // Calls `add` with every country of the cams, in list order, that neither `present` nor an
    // earlier cam holds, ignoring letter case: the search of the country boxes.
    void
    ForEachNewCountry(const QStringList& present,
                      const std::function<void(const QByteArray& country, const QString& text)>& add) const;

    // The smallest number of any cam, taking 0 as the start, minus 1. The number given is taken
    // from then on, so two calls never give the same number. Numbers are given when a cam joins
    // the list; a number changed later on a cam already counted is not seen.
    qint32 NewRefID();
    void DeleteByRefID(qint32 refid);
    TWebCamPtr FindByRefID(qint32 refid) const;
    QByteArray NewCustomName() const;

    // Changes with every cam added or deleted, and with Changed(); never the same for two lists.
    quint64 Generation() const { return m_generation; }
    // Tells the list that a cam's name or category was edited.
    void Changed();

    auto begin() const { return m_cams.begin(); }
    auto end() const { return m_cams.end(); }

private:
    template <typename Lines> void ReadCamRecords(const Lines& lines);

    std::vector<TWebCamPtr> m_cams;
    // NewRefID's smallest number over the first m_counted cams.
    qint32 m_smallest = 0;
    size_t m_counted = 0;
    quint64 m_generation = 0;
};
