#include "catalogue/CountryBox.h"

#include <QComboBox>
#include <QStandardItemModel>

void AddCountries(const TCamList& list, QComboBox* box) {
    if (!box)
        return;
    QStringList entries;
    for (int i = 0; i < box->count(); ++i)
        entries << box->itemText(i);
    // Gathered first and handed over at once: the box then updates itself once, not per entry. Each
    // entry gets its country before it joins the box's own model, because data set on entries
    // already there costs the model a search for each, beyond linear time for 100,000 countries.
    auto* model = qobject_cast<QStandardItemModel*>(box->model());
    if (model && !box->rootModelIndex().isValid() && box->modelColumn() == 0) {
        const qsizetype room = box->maxCount() - box->count();
        QList<QStandardItem*> items;
        list.ForEachNewCountry(entries, [&](const QByteArray& country, const QString& text) {
            if (items.size() >= room)
                return;
            auto* item = new QStandardItem(text);
            item->setData(country, CountryRole);
            items.append(item);
        });
        if (!items.isEmpty())
            model->invisibleRootItem()->appendRows(items);
        return;
    }
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
