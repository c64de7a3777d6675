// The cam tree model: what a fill shows and in which order, the nodes added, renamed and deleted
// afterwards, and the model's consistency under Qt's own model checker.
#include "catalogue/CamTree.h"
#include "core/DisplayText.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCollator>
#include <QTest>
#include <algorithm>
#include <random>

using namespace Qt::StringLiterals;

namespace {

TCamList ListOf(const QList<QList<QByteArray>>& cams) {
    TCamList list;
    qint32 refid = 1;
    for (const QList<QByteArray>& fields : cams) {
        TWebCamPtr cam = list.Add();
        cam->Category = fields.at(0);
        cam->Name = fields.at(1);
        cam->Country = fields.value(2);
        cam->RefID = refid++;
    }
    return list;
}

// "Category: cam, cam; Category: cam" in the tree's order.
QString Render(const TCamTreeModel& tree) {
    QStringList categories;
    for (int i = 0; i < tree.rowCount(); ++i) {
        const QModelIndex category = tree.index(i, 0);
        QStringList cams;
        for (int j = 0; j < tree.rowCount(category); ++j)
            cams << tree.index(j, 0, category).data().toString();
        categories << category.data().toString() + QStringLiteral(": ") + cams.join(QStringLiteral(", "));
    }
    return categories.join(QStringLiteral("; "));
}

struct CheckedModel {
    TCamTreeModel Model;
    QAbstractItemModelTester Tester{&Model, QAbstractItemModelTester::FailureReportingMode::QtTest};
};

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
        CheckedModel tree;
        tree.Model.FillTree(list);
        QCOMPARE(
            Render(tree.Model),
            QStringLiteral(": nowhere; City: Athens, Zurich; custom: mine; Sea: bay, Bay, beach, harbour"));
    }

    // Cams of many categories, met in turn: each category gathers its own cams and only those.
    void gathersTheCamsOfManyCategories() {
        QList<QList<QByteArray>> cams;
        QStringList expected;
        for (int round = 0; round < 3; ++round) {
            for (int category = 0; category < 40; ++category)
                cams.append({"K" + QByteArray::number(category + 10),
                             QByteArray::number(category + 10) + "-" + QByteArray::number(round)});
        }
        for (int category = 0; category < 40; ++category)
            expected << QStringLiteral("K%1: %1-0, %1-1, %1-2").arg(category + 10);
        CheckedModel tree;
        tree.Model.FillTree(ListOf(cams));
        QCOMPARE(Render(tree.Model), expected.join(QStringLiteral("; ")));
    }

    // In the C locale the tree compares texts itself instead of through sort keys; its order must
    // still be the collator's: code points (characters beyond U+FFFF after U+E000..U+FFFF, which
    // UTF-16 would put first), up to the first NUL, equal texts in list order.
    void sortsInTheCLocaleAsItsCollator() {
        QLocale::setDefault(QLocale::c());
        const QList<QByteArray> names = {"b",
                                         "\xee\x80\x80 private",
                                         "\xf0\x9f\x98\x80 smile",
                                         "B",
                                         "\xef\xbf\xbd replacement",
                                         QByteArray("a\0z", 3),
                                         "\x80 euro in Windows-1252",
                                         "\xc3\xa9t\xc3\xa9",
                                         "a",
                                         "",
                                         "\xf0\x9f\x98\x80"};
        QList<QList<QByteArray>> cams;
        for (const QByteArray& name : names)
            cams.append({"Sea", name});
        const TCamList list = ListOf(cams);
        CheckedModel tree;
        tree.Model.FillTree(list);
        QLocale::setDefault(QLocale::system());

        QCollator collator(QLocale::c());
        collator.setCaseSensitivity(Qt::CaseSensitive);
        QList<QString> expected;
        for (const QByteArray& name : names)
            expected.append(DisplayText(name));
        std::stable_sort(expected.begin(), expected.end(), [&](const QString& a, const QString& b) {
            return collator.sortKey(a).compare(collator.sortKey(b)) < 0;
        });
        QList<QString> shown;
        const QModelIndex sea = tree.Model.index(0, 0);
        for (int row = 0; row < tree.Model.rowCount(sea); ++row)
            shown.append(tree.Model.index(row, 0, sea).data().toString());
        QCOMPARE(shown, expected);
        // Not merely the order of UTF-16 units.
        QVERIFY(shown.indexOf(DisplayText("\xf0\x9f\x98\x80")) >
                shown.indexOf(DisplayText("\xef\xbf\xbd replacement")));
    }

    // Thousands of names that share a prefix, agree for long stretches past it and repeat one
    // another: the order of the cams, not only of their texts, must be the collator's, with equal
    // texts in list order.
    void sortsManyNamesInTheCLocaleAsItsCollator_data() {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QStringList>("alphabet");
        QTest::addColumn<int>("longest");
        QTest::newRow("Latin, long stretches alike")
            << QStringLiteral("Cam number ")
            << QStringList{u"1"_s, u"2"_s, u"a"_s, u"A"_s, u" "_s, u"\u00e9"_s} << 14;
        QTest::newRow("beyond Latin-1")
            << QStringLiteral("Webcam ")
            << QStringList{u"x"_s, u"\u4e2d"_s, u"\ue000"_s, u"\ufffd"_s, u"\U0001F600"_s, u"\U0001F601"_s}
            << 10;
        QTest::newRow("mostly equal texts") << QString() << QStringList{u"b"_s, u"B"_s} << 3;
        QTest::newRow("cut at a NUL")
            << QStringLiteral("Port ") << QStringList{u"x"_s, u"y"_s, QString(QChar(0))} << 9;
    }

    void sortsManyNamesInTheCLocaleAsItsCollator() {
        QFETCH(QString, prefix);
        QFETCH(QStringList, alphabet);
        QFETCH(int, longest);
        std::mt19937 random(7);
        QList<QList<QByteArray>> cams;
        for (int i = 0; i < 3000; ++i) {
            QString name = prefix;
            for (int length = int(random() % unsigned(longest + 1)); length > 0; --length)
                name += alphabet.at(qsizetype(random() % unsigned(alphabet.size())));
            cams.append({"Sea", name.toUtf8()});
        }
        QLocale::setDefault(QLocale::c());
        const TCamList list = ListOf(cams);
        TCamTreeModel tree;
        tree.FillTree(list);
        QLocale::setDefault(QLocale::system());

        QCollator collator(QLocale::c());
        collator.setCaseSensitivity(Qt::CaseSensitive);
        QList<qint32> expected;
        for (qint32 refid = 1; refid <= qint32(cams.size()); ++refid)
            expected.append(refid);
        std::stable_sort(expected.begin(), expected.end(), [&](qint32 a, qint32 b) {
            return collator.sortKey(DisplayText(cams.at(a - 1).at(1)))
                       .compare(collator.sortKey(DisplayText(cams.at(b - 1).at(1)))) < 0;
        });
        QList<qint32> shown;
        const QModelIndex sea = tree.index(0, 0);
        for (int row = 0; row < tree.rowCount(sea); ++row)
            shown.append(tree.CamOf(tree.index(row, 0, sea))->RefID);
        QCOMPARE(shown, expected);
    }

    // The name texts are decoded into shared blocks: texts on both sides of a block's end, and one
    // longer than a block, must come out whole.
    void namesSpanningSeveralBlocks() {
        QList<QList<QByteArray>> cams;
        QStringList expected;
        for (int i = 9999; i >= 0; --i) {
            const QByteArray name = "cam " + QByteArray::number(i).rightJustified(5, '0');
            cams.append({"Sea", name});
            expected.prepend(QString::fromLatin1(name));
        }
        const QByteArray longName = "cam " + QByteArray(100000, 'x');
        cams.insert(5000, {"Sea", longName});
        expected.append(QString::fromLatin1(longName));
        const TCamList list = ListOf(cams);
        TCamTreeModel tree;
        tree.FillTree(list);
        const QModelIndex sea = tree.index(0, 0);
        QStringList shown;
        for (int row = 0; row < tree.rowCount(sea); ++row)
            shown.append(tree.index(row, 0, sea).data().toString());
        QCOMPARE(shown, expected);
    }

    void nodesCarryCamsImagesAndFlags() {
        const TCamList list = ListOf({{"Sea", "Bay"}});
        CheckedModel tree;
        QPixmap collapsed(11, 9), expanded(11, 9);
        collapsed.fill(Qt::red);
        expanded.fill(Qt::blue);
        tree.Model.SetImages({QIcon(collapsed), QIcon(expanded)});
        tree.Model.FillTree(list);
        const QModelIndex category = tree.Model.index(0, 0);
        const QModelIndex camNode = tree.Model.index(0, 0, category);
        QCOMPARE(tree.Model.ImageIndex(category), TCamTreeModel::CollapsedImage);
        QVERIFY(!tree.Model.CamOf(category));
        QVERIFY(!(tree.Model.flags(category) & Qt::ItemIsSelectable));
        QVERIFY(tree.Model.flags(camNode) & Qt::ItemIsSelectable);
        QVERIFY(camNode.data(Qt::DecorationRole).isNull());
        QCOMPARE(tree.Model.CamOf(camNode), list.Items(0));
        tree.Model.SetImageIndex(category, TCamTreeModel::ExpandedImage);
        QCOMPARE(category.data(Qt::DecorationRole).value<QIcon>().pixmap(11, 9).toImage().pixelColor(5, 4),
                 QColor(Qt::blue));
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
        const TCamList list = ListOf({{"Sea", "a", "Chile"}, {"City", "b", "Peru"}, {"City", "c", "chile"}});
        CheckedModel tree;
        tree.Model.FillTreeByCountry(list, country);
        QTEST(Render(tree.Model), "tree");
        // Back to every cam, from the order kept since the first fill.
        tree.Model.FillTree(list);
        QCOMPARE(Render(tree.Model), QStringLiteral("City: b, c; Sea: a"));
    }

    void fillFollowsChangesOfTheList() {
        TCamList list = ListOf({{"Sea", "b", "X"}, {"Sea", "c", "X"}});
        CheckedModel tree;
        tree.Model.FillTree(list);
        list.Items(0)->Name = "z";
        list.Changed();
        TWebCamPtr added = list.Add();
        added->Category = "Sea";
        added->Name = "a";
        added->Country = "X";
        tree.Model.FillTreeByCountry(list, "X");
        QCOMPARE(Render(tree.Model), QStringLiteral("Sea: a, c, z"));
        list.DeleteByRefID(2);
        tree.Model.FillTree(list);
        QCOMPARE(Render(tree.Model), QStringLiteral("Sea: a, z"));
    }

    // Nodes added, renamed and deleted after a fill stay where they are until the next fill.
    void nodesChangedAfterAFill() {
        TCamList list = ListOf({{"Sea", "b"}, {"Sea", "c"}, {"Custom", "mine"}});
        CheckedModel tree;
        tree.Model.FillTree(list);
        TWebCamPtr cam = list.Add();
        cam->Category = "Sea";
        cam->Name = "a";
        const QModelIndex added = tree.Model.AddToTree(cam);
        QCOMPARE(tree.Model.CamOf(added), cam);
        TWebCamPtr other = list.Add();
        other->Category = "Air";
        other->Name = "z";
        tree.Model.AddToTree(other);
        QCOMPARE(Render(tree.Model), QStringLiteral("Custom: mine; Sea: b, c, a; Air: z"));
        tree.Model.SetNodeText(added, QStringLiteral("renamed"));
        const QModelIndex mine = tree.Model.index(0, 0, tree.Model.index(0, 0));
        tree.Model.DeleteNode(mine);
        QCOMPARE(Render(tree.Model), QStringLiteral("Custom: ; Sea: b, c, renamed; Air: z"));
    }

    void findsNodesByNumber() {
        TCamList list = ListOf({{"Sea", "a"}, {"City", "b"}, {"Sea", "c"}});
        list.Items(2)->RefID = 2; // shared with "b"
        CheckedModel tree;
        QVERIFY(!tree.Model.FirstCamNode().isValid());
        tree.Model.FillTree(list);
        QCOMPARE(tree.Model.FirstCamNode().data().toString(), QStringLiteral("b"));
        // The last in display order wins: "c" under Sea, after City's "b".
        QCOMPARE(tree.Model.LastNodeOf(2).data().toString(), QStringLiteral("c"));
        QVERIFY(!tree.Model.LastNodeOf(99).isValid());
    }

    void treeKeepsCamsOfAReplacedList() {
        CheckedModel tree;
        {
            const TCamList list = ListOf({{"Sea", "kept"}});
            tree.Model.FillTree(list);
        }
        QCOMPARE(tree.Model.CamOf(tree.Model.index(0, 0, tree.Model.index(0, 0)))->Name, QByteArray("kept"));
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
