// A 100,000-cam catalogue reply parsed into the cam list and filled into the tree, against merely
// splitting the same bytes into lines with Qt's own QByteArray::split. Then the replies a hostile
// server could send, at 100,000 and 200,000 cams: cams without numbers, and every cam in a country
// of its own. Each must cost linear time: twice the cams, at most 2.2 times the time.
#include "catalogue/CamTree.h"
#include "catalogue/CountryBox.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int CamCount = 100000;
constexpr int Rounds = 7;

enum class Shape { Normal, WithoutNumbers, CountryEach };

QByteArray CatalogueReply(int count, Shape shape) {
    RecordText::Lines lines;
    const char* categories[] = {"City", "Sea", "Mountains", "Traffic", "Animals", "Space", "Sky", "Harbour"};
    const char* countries[] = {"Norway", "Chile", "Japan", "Germany", "Canada", "Kenya"};
    for (int i = 0; i < count; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray country = shape == Shape::CountryEach ? "Land " + n : QByteArray(countries[i % 6]);
        RecordText::WriteRecord(lines, "cam",
                                {{"refid", shape == Shape::WithoutNumbers ? QByteArray() : n},
                                 {"url", "http://cams.example/cam" + n + ".jpg?size=large&t=1"},
                                 {"name", "Cam number " + QByteArray::number((i * 7919) % count)},
                                 {"description", "A public webcam looking at something worth seeing, " + n},
                                 {"refresh", "60"},
                                 {"category", categories[i % 8]},
                                 {"webpage", "http://cams.example/page" + n},
                                 {"country", country}});
    }
    return RecordText::JoinLines(lines);
}

template <typename Work> double BestMilliseconds(Work work, int rounds = Rounds) {
    double best = 1e300;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

// What a catalogue reply costs the window: the list read, the tree filled, the countries listed.
double ReplyMilliseconds(const QByteArray& reply, QTreeWidget& tree) {
    return BestMilliseconds(
        [&] {
            TCamList list;
            list.LoadFromText(reply);
            FillTree(list, &tree);
            QComboBox box;
            AddCountries(list, &box);
        },
        3);
}

// Time at 200,000 cams over time at 100,000.
double Growth(Shape shape, QTreeWidget& tree) {
    const double small = ReplyMilliseconds(CatalogueReply(CamCount, shape), tree);
    const double large = ReplyMilliseconds(CatalogueReply(2 * CamCount, shape), tree);
    std::printf("  100,000 cams: %.1f ms, 200,000 cams: %.1f ms\n", small, large);
    return large / small;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QByteArray reply = CatalogueReply(CamCount, Shape::Normal);
    QTreeWidget tree;

    qsizetype lineCount = 0;
    const double splitMs = BestMilliseconds([&] { lineCount = reply.split('\n').size(); });
    const double ourMs = BestMilliseconds([&] {
        TCamList list;
        list.LoadFromText(reply);
        FillTree(list, &tree);
    });

    std::printf("reply: %lld bytes, %lld lines, %d cams\n", static_cast<long long>(reply.size()),
                static_cast<long long>(lineCount), CamCount);
    std::printf("QByteArray::split into lines (reference): %.1f ms\n", splitMs);
    std::printf("parse + fill tree: %.1f ms, %.2f us per cam\n", ourMs, ourMs * 1000.0 / CamCount);

    std::printf("cams without numbers (list, tree and countries):\n");
    const double withoutNumbers = Growth(Shape::WithoutNumbers, tree);
    std::printf("every cam in a country of its own (list, tree and countries):\n");
    const double countryEach = Growth(Shape::CountryEach, tree);
    std::printf("catalogue growth without-numbers=%.2f goal=2.2\n", withoutNumbers);
    std::printf("catalogue growth country-each=%.2f goal=2.2\n", countryEach);
    std::printf("catalogue ratio=%.2f goal=0.5\n", splitMs / ourMs);
    return 0;
}
