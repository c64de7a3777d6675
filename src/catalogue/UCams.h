#pragma once

#include "catalogue/RecordText.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
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
    // False when the file could not be read; the list is unchanged then.
    bool LoadFromFile(const QString& path);
    // Writes every custom cam to the file, replacing it as a whole. Empty on success, else the reason;
    // a failed write leaves the previous file as it was.
    QString SaveCustom(const QString& path) const;
    // The bytes SaveCustom writes.
    QByteArray CustomRecordText() const;

    // Appends each cam's country unless the list already holds it, ignoring letter case.
    void AddCountries(QStringList& strings) const;

    qint32 NewRefID() const;
    void DeleteByRefID(qint32 refid);
    TWebCamPtr FindByRefID(qint32 refid) const;
    QByteArray NewCustomName() const;

    auto begin() const { return m_cams.begin(); }
    auto end() const { return m_cams.end(); }

private:
    template <typename Lines> void ReadCamRecords(const Lines& lines);

    std::vector<TWebCamPtr> m_cams;
};
