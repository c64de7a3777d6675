#include "catalogue/CamTree.h"

#include <QApplication>
#include <QTest>
#include <QTreeWidget>

namespace {

TCamList ListOf(const QList<QList<QByteArray>>& cams) {
    TCamList list;
    for (const QList<QByteArray>& fields : cams) {
        TWebCamPtr cam = list.Add();
        cam->Category = fields.at(0);
        cam->Name = fields.at(1);
        cam->Country = fields.value(2);
    }
    return list;
}

// "Category: cam, cam; Category: cam" in the tree's order.
QString Render(const QTreeWidget& tree) {
    QStringList categories;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        const QTreeWidgetItem* category = tree.topLevelItem(i);
        QStringList cams;
        for (int j = 0; j < category->childCount(); ++j)
            cams << category->child(j)->text(0);
        categories << category->text(0) + QStringLiteral(": ") + cams.join(QStringLiteral(", "));
    }
    return categories.join(QStringLiteral("; "));
}

} // namespace

class TestCamTree : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fillsAndSortsEveryLevel() {
        const TCamList list = ListOf({{"Sea", "harbour"},
                                      {"City", "Zurich"},
                                      {"Sea", "Bay"},
                                      {"", "nowhere"},
                                      {"Sea", "beach"},
                                      {"custom", "mine"},
                                      {"City", "Athens"},
                                      {"Sea", "bay"}});
        QTreeWidget tree;
        FillTree(list, &tree);
        QCOMPARE(
            Render(tree),
            QStringLiteral(": nowhere; City: Athens, Zurich; custom: mine; Sea: bay, Bay, beach, harbour"));
    }

    void nodesCarryCamsAndImages() {
        const TCamList list = ListOf({{"Sea", "Bay"}});
        QTreeWidget tree;
        QPixmap collapsed(11, 9), expanded(11, 9);
        collapsed.fill(Qt::red);
        expanded.fill(Qt::blue);
        SetTreeImages(&tree, {QIcon(collapsed), QIcon(expanded)});
        FillTree(list, &tree);
        auto* category = static_cast<TCamTreeNode*>(tree.topLevelItem(0));
        auto* camNode = static_cast<TCamTreeNode*>(category->child(0));
        QCOMPARE(category->ImageIndex(), TCamTreeNode::CollapsedImage);
        QVERIFY(!category->icon(0).isNull());
        QVERIFY(!CamOfNode(category));
        QCOMPARE(camNode->ImageIndex(), TCamTreeNode::NoImage);
        QVERIFY(camNode->icon(0).isNull());
        QCOMPARE(CamOfNode(camNode), list.Items(0));
        category->SetImageIndex(TCamTreeNode::ExpandedImage);
        QCOMPARE(category->icon(0).pixmap(11, 9).toImage().pixelColor(5, 4), QColor(Qt::blue));
    }

    void filtersByCountryExactly_data() {
        QTest::addColumn<QByteArray>("country");
        QTest::addColumn<QString>("tree");
        QTest::newRow("one country") << QByteArray("Chile") << QStringLiteral("Sea: a");
        QTest::newRow("case differs") << QByteArray("chile") << QStringLiteral("City: c");
        QTest::newRow("nobody") << QByteArray("Mars") << QString();
    }
    void filtersByCountryExactly() {
        QFETCH(QByteArray, country);
        QFETCH(QString, tree);
        const TCamList list = ListOf({{"Sea", "a", "Chile"}, {"City", "b", "Peru"}, {"City", "c", "chile"}});
        QTreeWidget widget;
        FillTreeByCountry(list, &widget, country);
        QCOMPARE(Render(widget), tree);
    }

    void addedCamStandsAfterSortedNodes() {
        TCamList list = ListOf({{"Sea", "b"}, {"Sea", "c"}});
        QTreeWidget tree;
        FillTree(list, &tree);
        TWebCamPtr cam = list.Add();
        cam->Category = "Sea";
        cam->Name = "a";
        AddToTree(cam, &tree);
        TWebCamPtr other = list.Add();
        other->Category = "Air";
        other->Name = "z";
        AddToTree(other, &tree);
        QCOMPARE(Render(tree), QStringLiteral("Sea: b, c, a; Air: z"));
    }

    void treeKeepsCamsOfAReplacedList() {
        QTreeWidget tree;
        {
            const TCamList list = ListOf({{"Sea", "kept"}});
            FillTree(list, &tree);
        }
        QCOMPARE(CamOfNode(tree.topLevelItem(0)->child(0))->Name, QByteArray("kept"));
    }
};

int main(int argc, char* argv[]) {
    // Sorting follows the user's locale; the expected orders are those of English.
    qputenv("LANG", "en_US.UTF-8");
    qunsetenv("LC_ALL");
    qunsetenv("LC_COLLATE");
    QApplication app(argc, argv);
    TestCamTree test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_camtree.moc"
