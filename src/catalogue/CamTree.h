#pragma once

#include "core/UCams.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <QList>
#include <functional>
#include <memory>
#include <vector>

// The two-level cam tree: category nodes at the top, carrying no cam, and cam nodes under them,
// each holding its cam, so that the cam outlives a replaced list for as long as the tree shows it.
//
// The tree is its own structure, not a live view of the list: a cam added after a fill stands
// after the sorted ones, a category whose last cam was deleted stays, and a cam added or edited is
// shown whatever country the tree was filled for; all of that holds until the next fill.
class TCamTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit TCamTreeModel(QObject* parent = nullptr);
    ~TCamTreeModel() override;

    // Rebuilds the tree from every cam of the list, sorted at every level by node text in the
    // platform's locale-aware, case-sensitive order.
    void FillTree(const TCamList& list);
    // The same with only the cams of one country (exact match); a category is there only when one
    // of its cams is.
    void FillTreeByCountry(const TCamList& list, const QByteArray& country);
    void Clear();

    // Adds the cam's node after the last child of the first category node with its category's
    // text, or of a new category node after the last one; returns the cam's node.
    QModelIndex AddToTree(const TWebCamPtr& cam);
    void SetNodeText(const QModelIndex& node, const QString& text);
    void DeleteNode(const QModelIndex& node);

    // The cam of a node; none for category nodes.
    TWebCamPtr CamOf(const QModelIndex& node) const;
    bool IsCategory(const QModelIndex& node) const { return node.isValid() && !node.internalPointer(); }
    // The last node in display order whose cam has this number; invalid when none.
    QModelIndex LastNodeOf(qint32 refid) const;
    // The first cam node in display order: the first cam of the first category.
    QModelIndex FirstCamNode() const;

    // The two images of category nodes (11 x 9 pixels): collapsed and expanded.
    void SetImages(const QList<QIcon>& images);
    int ImageIndex(const QModelIndex& node) const;
    void SetImageIndex(const QModelIndex& node, int index);
    static constexpr int CollapsedImage = 0;
    static constexpr int ExpandedImage = 1;
    static constexpr int NoImage = -1;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    struct CamNode {
        QString Text;
        TWebCamPtr Cam;
    };
    using CamNodes = std::vector<CamNode>;
    struct Category {
        QString Text;
        int Row = 0;
        int ImageIndex = CollapsedImage;
        // Every cam of the sorted list, in list order, released after the nodes: the last of 100,000
        // cams then go in the order they were made, which the heap frees several times faster than
        // the scattered order of the sorted nodes.
        std::shared_ptr<const std::vector<TWebCamPtr>> ListOrder;
        // A tree that shows every cam shares its nodes with the sorted whole list instead of copying
        // 100,000 of them; the first change to a category gives it nodes of its own.
        std::shared_ptr<CamNodes> Nodes = std::make_shared<CamNodes>();
        const CamNodes& Cams() const { return *Nodes; }
        CamNodes& ChangeableCams();
    };

private:
    const std::vector<CamNode>& CamsOf(const QModelIndex& parent) const;
    Category* CategoryOf(const QModelIndex& camNode) const;
    // The whole list in display order, kept for as long as the list does not change: switching
    // the country filter then filters it instead of sorting again.
    void SortWholeList(const TCamList& list);
    void Show(const std::function<bool(const TWebCam&)>& passes);

    std::vector<std::unique_ptr<Category>> m_categories;
    std::vector<Category> m_sorted;
    quint64 m_sortedGeneration = 0;
    QList<QIcon> m_images;
};
