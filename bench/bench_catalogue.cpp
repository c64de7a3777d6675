// A 100,000-cam catalogue reply parsed into the cam list and filled into the tree, against merely
// splitting the same bytes into lines with Qt's own QByteArray::split.
#include "catalogue/CamTree.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int CamCount = 100000;
constexpr int Rounds = 7;

QByteArray CatalogueReply() {
    RecordText::Lines lines;
    const char* categories[] = {"City", "Sea", "Mountains", "Traffic", "Animals", "Space", "Sky", "Harbour"};
    const char* countries[] = {"Norway", "Chile", "Japan", "Germany", "Canada", "Kenya"};
    for (int i = 0; i < CamCount; ++i) {
        const QByteArray n = QByteArray::number(i);
        RecordText::WriteRecord(lines, "cam",
                                {{"refid", n},
                                 {"url", "http://cams.example/cam" + n + ".jpg?size=large&t=1"},
                                 {"name", "Cam number " + QByteArray::number((i * 7919) % CamCount)},
                                 {"description", "A public webcam looking at something worth seeing, " + n},
                                 {"refresh", "60"},
                                 {"category", categories[i % 8]},
                                 {"webpage", "http://cams.example/page" + n},
                                 {"country", countries[i % 6]}});
    }
    return RecordText::JoinLines(lines);
}

template <typename Work> double BestMilliseconds(Work work) {
    double best = 1e300;
    for (int round = 0; round < Rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QByteArray reply = CatalogueReply();
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
    std::printf("catalogue ratio=%.2f goal=0.33\n", splitMs / ourMs);
    return 0;
}
