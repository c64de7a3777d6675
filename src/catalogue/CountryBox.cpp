#include "catalogue/CountryBox.h"

#include <QComboBox>

void AddCountries(const TCamList& list, QComboBox* box) {
    if (!box)
        return;
    QStringList entries;
    for (int i = 0; i < box->count(); ++i)
        entries << box->itemText(i);
    // Gathered first and handed over at once: the box then updates itself once, not per entry.
    QStringList texts;
    QList<QByteArray> countries;
    list.ForEachNewCountry(entries, [&](const QByteArray& country, const QString& text) {
        texts << text;
        countries << country;
    });
    const int first = box->count();
    box->addItems(texts);
    for (qsizetype i = 0; i < countries.size(); ++i)
        box->setItemData(first + int(i), countries.at(i), CountryRole);
}

QByteArray CountryOfEntry(const QComboBox* box, int index) {
    const QVariant country = box->itemData(index, CountryRole);
    return country.isValid() ? country.toByteArray() : box->itemText(index).toUtf8();
}
