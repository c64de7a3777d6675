// The country box: countries added once whatever their letter case, each entry keeping the bytes
// the filter compares, and the box's limit on entries kept.
#include "catalogue/CountryBox.h"

#include <QApplication>
#include <QComboBox>
#include <QTest>

class TestCountryBox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addsNewCountriesWithTheirBytes() {
        TCamList list;
        for (const QByteArray& country : {QByteArray("Chile"),
                                          QByteArray("Z\xfc"
                                                     "rich"),
                                          QByteArray("norway"), QByteArray("CHILE"), QByteArray("Peru")}) {
            list.Add()->Country = country;
        }
        QComboBox box;
        box.addItem(QStringLiteral("Norway"));
        AddCountries(list, &box);
        QCOMPARE(box.count(), 4);
        QCOMPARE(box.itemText(2), QStringLiteral(u"Zürich"));
        QCOMPARE(CountryOfEntry(&box, 2), QByteArray("Z\xfc"
                                                     "rich"));
        QCOMPARE(CountryOfEntry(&box, 1), QByteArray("Chile"));
        QCOMPARE(CountryOfEntry(&box, 0), QByteArray("Norway"));
        QCOMPARE(box.itemText(3), QStringLiteral("Peru"));
    }

    void keepsTheBoxsLimit() {
        TCamList list;
        for (int i = 0; i < 5; ++i)
            list.Add()->Country = "Land " + QByteArray::number(i);
        QComboBox box;
        box.addItem(QStringLiteral("All"));
        box.setMaxCount(3);
        AddCountries(list, &box);
        QCOMPARE(box.count(), 3);
        QCOMPARE(CountryOfEntry(&box, 2), QByteArray("Land 1"));
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    TestCountryBox test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_countrybox.moc"
