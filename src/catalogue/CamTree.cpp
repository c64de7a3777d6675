#include "catalogue/CamTree.h"

#include <QCollator>
#include <QHash>
#include <QTreeWidget>
#include <algorithm>
#include <functional>

namespace {

const char* const TreeImagesProperty = "lumoraTreeImages";

QList<QIcon> TreeImages(const QTreeWidget* tree) {
    return tree ? tree->property(TreeImagesProperty).value<QList<QIcon>>() : QList<QIcon>();
}

QTreeWidgetItem* FindCategoryNode(QTreeWidget* tree, const QString& category) {
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* node = tree->topLevelItem(i);
        if (node->text(0) == category)
            return node;
    }
    return nullptr;
}

// Sorts nodes by their text in the collation order that TCamTreeNode::operator< uses. Sort keys
// are built once per node: a catalogue of 100,000 cams would otherwise spend most of its time
// collating the same texts again and again.
void SortNodes(QList<QTreeWidgetItem*>& nodes, const QCollator& collator) {
    std::vector<std::pair<QCollatorSortKey, QTreeWidgetItem*>> keyed;
    keyed.reserve(static_cast<size_t>(nodes.size()));
    for (QTreeWidgetItem* node : nodes)
        keyed.emplace_back(collator.sortKey(node->text(0)), node);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    for (size_t i = 0; i < keyed.size(); ++i)
        nodes[static_cast<qsizetype>(i)] = keyed[i].second;
}

// Builds the whole tree detached from the widget, then hands it over at once: the same nodes,
// order and images as AddToTree for every passing cam followed by a sort of every level.
void RebuildTree(const TCamList& list, QTreeWidget* tree, const std::function<bool(const TWebCam&)>& passes) {
    tree->clear();
    QList<QTreeWidgetItem*> categories;
    QList<QList<QTreeWidgetItem*>> camsOfCategory;
    QHash<QString, qsizetype> categoryIndex;
    for (const TWebCamPtr& cam : list) {
        if (!passes(*cam))
            continue;
        const QString category = QString::fromUtf8(cam->Category);
        auto found = categoryIndex.constFind(category);
        if (found == categoryIndex.constEnd()) {
            found = categoryIndex.insert(category, categories.size());
            categories.append(new TCamTreeNode(category));
            camsOfCategory.append(QList<QTreeWidgetItem*>());
        }
        camsOfCategory[*found].append(new TCamTreeNode(QString::fromUtf8(cam->Name), cam));
    }

    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseSensitive);
    for (qsizetype i = 0; i < categories.size(); ++i) {
        SortNodes(camsOfCategory[i], collator);
        categories[i]->addChildren(camsOfCategory[i]);
    }
    SortNodes(categories, collator);
    tree->addTopLevelItems(categories);
    for (QTreeWidgetItem* category : categories)
        static_cast<TCamTreeNode*>(category)->SetImageIndex(TCamTreeNode::CollapsedImage);
}

} // namespace

TCamTreeNode::TCamTreeNode(const QString& text, TWebCamPtr cam)
    : m_cam(std::move(cam)) {
    setText(0, text);
}

bool TCamTreeNode::operator<(const QTreeWidgetItem& other) const {
    return QString::localeAwareCompare(text(0), other.text(0)) < 0;
}

void TCamTreeNode::SetImageIndex(int index) {
    m_imageIndex = index;
    const QList<QIcon> images = TreeImages(treeWidget());
    setIcon(0, index >= 0 && index < images.size() ? images.at(index) : QIcon());
}

void SetTreeImages(QTreeWidget* tree, const QList<QIcon>& images) {
    tree->setProperty(TreeImagesProperty, QVariant::fromValue(images));
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        auto* node = static_cast<TCamTreeNode*>(tree->topLevelItem(i));
        node->SetImageIndex(node->ImageIndex());
    }
}

TCamTreeNode* AddToTree(const TWebCamPtr& cam, QTreeWidget* tree) {
    const QString category = QString::fromUtf8(cam->Category);
    QTreeWidgetItem* categoryNode = FindCategoryNode(tree, category);
    if (!categoryNode) {
        auto* node = new TCamTreeNode(category);
        tree->addTopLevelItem(node);
        node->SetImageIndex(TCamTreeNode::CollapsedImage);
        categoryNode = node;
    }
    auto* camNode = new TCamTreeNode(QString::fromUtf8(cam->Name), cam);
    categoryNode->addChild(camNode);
    return camNode;
}

void FillTree(const TCamList& list, QTreeWidget* tree) {
    RebuildTree(list, tree, [](const TWebCam&) { return true; });
}

void FillTreeByCountry(const TCamList& list, QTreeWidget* tree, const QByteArray& country) {
    RebuildTree(list, tree, [&country](const TWebCam& cam) { return cam.Country == country; });
}

TWebCamPtr CamOfNode(const QTreeWidgetItem* node) {
    const auto* camNode = dynamic_cast<const TCamTreeNode*>(node);
    return camNode ? camNode->Cam() : nullptr;
}
