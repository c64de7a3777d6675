#include "catalogue/CountryBox.h"

#include "catalogue/CamTree.h"

#include <QComboBox>
#include <QTreeWidget>

void AddCountries(const TCamList& list, QComboBox* box) {
    if (!box)
        return;
    QStringList entries;
    for (int i = 0; i < box->count(); ++i)
        entries << box->itemText(i);
    const qsizetype present = entries.size();
    list.AddCountries(entries);
    box->addItems(entries.mid(present));
}

TWebCamPtr FirstCamInTree(const QTreeWidget* tree) {
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* category = tree->topLevelItem(i);
        for (int j = 0; j < category->childCount(); ++j) {
            if (TWebCamPtr cam = CamOfNode(category->child(j)))
                return cam;
        }
    }
    return nullptr;
}
