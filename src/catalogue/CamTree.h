#pragma once

#include "catalogue/UCams.h"

#include <QIcon>
#include <QList>
#include <QTreeWidgetItem>

class QTreeWidget;

// A node of the two-level cam tree: a category node (no cam) or a cam node holding its cam, so
// that the cam outlives a replaced list for as long as the tree shows it.
class TCamTreeNode : public QTreeWidgetItem {
public:
    explicit TCamTreeNode(const QString& text, TWebCamPtr cam = nullptr);

    const TWebCamPtr& Cam() const { return m_cam; }

    // The platform's locale-aware, case-sensitive order of node texts.
    bool operator<(const QTreeWidgetItem& other) const override;

    // Index of the node's picture in the tree's image list; -1 for none (cam nodes).
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int index);

    // The tree's two images: a collapsed and an expanded category node.
    static constexpr int CollapsedImage = 0;
    static constexpr int ExpandedImage = 1;
    static constexpr int NoImage = -1;

private:
    TWebCamPtr m_cam;
    int m_imageIndex = NoImage;
};

// The tree's image list (11 x 9 pixels each), shown by nodes according to their image index.
void SetTreeImages(QTreeWidget* tree, const QList<QIcon>& images);

// Adds the cam's node under its category node (made at the end when missing) and returns it.
TCamTreeNode* AddToTree(const TWebCamPtr& cam, QTreeWidget* tree);

// Rebuilds the tree from every cam of the list, sorted at every level.
void FillTree(const TCamList& list, QTreeWidget* tree);
// The same with only the cams of one country (exact match).
void FillTreeByCountry(const TCamList& list, QTreeWidget* tree, const QByteArray& country);

// The cam of a tree node; none for category nodes.
TWebCamPtr CamOfNode(const QTreeWidgetItem* node);
