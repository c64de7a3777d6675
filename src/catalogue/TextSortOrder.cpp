#include "catalogue/TextSortOrder.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <array>
#include <numeric>
#include <utility>

namespace {

// The C locale's collator orders by code points. Surrogates, which encode the code points from
// U+10000 on, must then rank after the units U+E000..U+FFFF: those move down by 0x800 into the
// surrogates' place, and the surrogates up into theirs. Every unit but NUL ranks above 0.
char16_t CodePointRank(char16_t unit) {
    if (unit >= 0xE000)
        return char16_t(unit - 0x800);
    return unit >= 0xD800 ? char16_t(unit + 0x2000) : unit;
}

// The texts as the C locale's collator sees them, each up to its first NUL, and what the keys need
// to know of all of them, gathered in one walk: each further walk over 100,000 texts costs more
// than the sort of their keys.
struct CodePointTexts {
    std::vector<QStringView> Texts;
    char16_t HighestRank = 0;
    qsizetype SharedPrefix = 0;
};

CodePointTexts ReadTexts(std::span<const QStringView> texts) {
    CodePointTexts result;
    result.Texts.reserve(texts.size());
    QStringView shared = texts.empty() ? QStringView() : texts.front();
    for (const QStringView whole : texts) {
        qsizetype length = 0;
        for (; length < whole.size() && whole[length] != u'\0'; ++length)
            result.HighestRank = std::max(result.HighestRank, CodePointRank(whole[length].unicode()));
        const QStringView text = whole.first(length);
        shared = shared.first(std::mismatch(shared.begin(), shared.end(), text.begin(), text.end()).first -
                              shared.begin());
        result.Texts.push_back(text);
    }
    result.SharedPrefix = shared.size();
    return result;
}

// A text's place in one round of the sort: the next of its units, ranked and packed into one
// integer, eight of them where every unit of every text ranks below 256 (as in the Latin alphabets),
// four otherwise. Comparisons are then of two integers side by side rather than of two texts far
// apart in memory, which at 100,000 cams is what the sort's time is made of.
struct KeyedText {
    quint64 Key = 0;
    size_t Index = 0;
    bool operator<(const KeyedText& other) const {
        return Key != other.Key ? Key < other.Key : Index < other.Index;
    }
};

struct KeyShape {
    int UnitBits = 16;
    qsizetype Units = 4;
    explicit KeyShape(char16_t highestRank)
        : UnitBits(highestRank < 0x100 ? 8 : 16)
        , Units(64 / UnitBits) {}
    // The key's last unit is 0 when the text ends within the key.
    bool GoesOnPast(quint64 key) const { return (key & ((quint64{1} << UnitBits) - 1)) != 0; }
};

// A text that ends within the key leaves zeros, which rank below every unit it could have had.
quint64 KeyOf(QStringView text, qsizetype offset, const KeyShape& shape) {
    quint64 key = 0;
    for (qsizetype i = offset; i < offset + shape.Units; ++i)
        key = key << shape.UnitBits | (i < text.size() ? CodePointRank(text[i].unicode()) : 0u);
    return key;
}

// Sorts texts that come in the order of their positions by key, equal keys in that order. Large
// runs are sorted a byte of the key at a time, from the last byte to the first, which takes linear
// time; bytes that all keys share are passed over.
void SortByKey(std::span<KeyedText> texts, std::vector<KeyedText>& scratch) {
    constexpr size_t SmallRun = 256;
    if (texts.size() < SmallRun) {
        if (!std::is_sorted(texts.begin(), texts.end()))
            std::sort(texts.begin(), texts.end());
        return;
    }
    constexpr int KeyBytes = sizeof(quint64);
    std::array<std::array<size_t, 256>, KeyBytes> counts{};
    for (const KeyedText& text : texts) {
        for (int byte = 0; byte < KeyBytes; ++byte)
            ++counts[size_t(byte)][(text.Key >> (8 * byte)) & 0xFF];
    }
    scratch.resize(texts.size());
    std::span<KeyedText> from = texts;
    std::span<KeyedText> to(scratch);
    for (int byte = 0; byte < KeyBytes; ++byte) {
        std::array<size_t, 256>& places = counts[size_t(byte)];
        if (places[(from.front().Key >> (8 * byte)) & 0xFF] == texts.size())
            continue;
        size_t place = 0;
        for (size_t& count : places)
            place += std::exchange(count, place);
        for (const KeyedText& text : from)
            to[places[(text.Key >> (8 * byte)) & 0xFF]++] = text;
        std::swap(from, to);
    }
    if (from.data() != texts.data())
        std::copy(from.begin(), from.end(), texts.begin());
}

// Sorted a key at a time past the prefix that all texts share: each run of texts equal so far
// is sorted again by its next key, until the texts differ or end. Equal texts keep their
// order, and every step is linear or sorts integers, whatever a hostile catalogue's names hold.
std::vector<size_t> CodePointOrder(std::span<const QStringView> wholeTexts) {
    const CodePointTexts texts = ReadTexts(wholeTexts);
    const KeyShape shape(texts.HighestRank);
    std::vector<KeyedText> keyed(texts.Texts.size());
    for (size_t i = 0; i < keyed.size(); ++i)
        keyed[i].Index = i;

    struct Run {
        size_t Begin = 0;
        size_t End = 0;
        qsizetype Offset = 0;
    };
    std::vector<Run> runs{{0, keyed.size(), texts.SharedPrefix}};
    std::vector<KeyedText> scratch;
    while (!runs.empty()) {
        const Run run = runs.back();
        runs.pop_back();
        const auto first = keyed.begin() + qsizetype(run.Begin);
        const auto last = keyed.begin() + qsizetype(run.End);
        for (auto text = first; text != last; ++text)
            text->Key = KeyOf(texts.Texts[text->Index], run.Offset, shape);
        SortByKey(std::span(first, last), scratch);
        for (auto begin = first; begin != last;) {
            const auto end =
                std::find_if(begin + 1, last, [&](const KeyedText& text) { return text.Key != begin->Key; });
            if (end - begin > 1 && shape.GoesOnPast(begin->Key))
                runs.push_back(
                    {size_t(begin - keyed.begin()), size_t(end - keyed.begin()), run.Offset + shape.Units});
            begin = end;
        }
    }
    std::vector<size_t> order;
    order.reserve(keyed.size());
    for (const KeyedText& text : keyed)
        order.push_back(text.Index);
    return order;
}

// Sort keys are built once per text: 100,000 cams would otherwise spend most of the time collating
// the same texts again and again.
std::vector<size_t> CollatorOrder(std::span<const QStringView> texts, const QCollator& collator) {
    std::vector<QCollatorSortKey> keys;
    keys.reserve(texts.size());
    for (const QStringView text : texts)
        keys.push_back(collator.sortKey(QString::fromRawData(text.data(), text.size())));
    std::vector<size_t> order(texts.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&keys](size_t a, size_t b) { return keys[a].compare(keys[b]) < 0; });
    return order;
}

// The C locale's collator orders by code points, which the texts give without a sort key apiece.
bool OrdersByCodePoints(const QCollator& collator) {
    return collator.locale().language() == QLocale::C && collator.caseSensitivity() == Qt::CaseSensitive &&
           !collator.numericMode() && !collator.ignorePunctuation();
}

} // namespace

std::vector<size_t> SortedOrder(std::span<const QStringView> texts, const QCollator& collator) {
    return OrdersByCodePoints(collator) ? CodePointOrder(texts) : CollatorOrder(texts, collator);
}
