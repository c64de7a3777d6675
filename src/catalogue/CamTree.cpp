#include "catalogue/CamTree.h"

#include "catalogue/TextSortOrder.h"
#include "core/DisplayText.h"

#include <QCollator>
#include <QHash>
#include <algorithm>

namespace {

// Sorts the nodes by text. Only their positions are sorted, and the nodes moved once at the end.
template <typename Node> void SortByText(std::vector<Node>& nodes, const QCollator& collator) {
    std::vector<QStringView> texts;
    texts.reserve(nodes.size());
    for (const Node& node : nodes)
        texts.push_back(node.Text);
    const std::vector<size_t> order = SortedOrder(texts, collator);
    std::vector<Node> sorted;
    sorted.reserve(nodes.size());
    for (const size_t i : order)
        sorted.push_back(std::move(nodes[i]));
    nodes = std::move(sorted);
}

// Display texts decoded into large blocks that they share: 100,000 texts allocated and later freed
// one by one cost more than all the sorting.
class TTextBlocks {
public:
    QString Add(QByteArrayView bytes) {
        // Decoding never gives more characters than there are bytes; one more for the NUL.
        const qsizetype room = bytes.size() + 1;
        if (m_block.isNull() || m_used + room > m_block.size()) {
            m_block = QString(std::max(BlockSize, room), Qt::Uninitialized);
            m_start = m_block.data();
            m_used = 0;
        }
        QChar* const out = m_start + m_used;
        QChar* const end = AppendDisplayText(out, bytes);
        // Each text keeps the terminating NUL that every QString has.
        *end = QChar(u'\0');
        m_used = end + 1 - m_start;
        QString::DataPointer shared = m_block.data_ptr();
        shared.ptr = reinterpret_cast<char16_t*>(out);
        shared.size = end - out;
        return QString(std::move(shared));
    }

private:
    static constexpr qsizetype BlockSize = 64 * 1024;
    QString m_block;
    QChar* m_start = nullptr;
    qsizetype m_used = 0;
};

// The position of each category, in the order they were first met. A catalogue has a handful of
// categories: comparing a cam's with each of them costs far less than hashing 100,000 names (Qt's
// hash takes over a hundred nanoseconds a name on some processors). A catalogue with many more
// goes through the hash.
class TCategoryPositions {
public:
    // Its position, or the next one for a category met now.
    size_t PositionOf(const QByteArray& category) {
        if (m_many.isEmpty()) {
            const auto found = std::find(m_few.cbegin(), m_few.cend(), QByteArrayView(category));
            if (found != m_few.cend())
                return size_t(found - m_few.cbegin());
            if (m_few.size() < FewCategories) {
                m_few.push_back(category);
                return m_few.size() - 1;
            }
            for (size_t position = 0; position < m_few.size(); ++position)
                m_many.insert(m_few[position].toByteArray(), position);
        }
        const auto known = m_many.constFind(category);
        if (known != m_many.constEnd())
            return *known;
        const size_t position = size_t(m_many.size());
        m_many.insert(category, position);
        return position;
    }

private:
    static constexpr size_t FewCategories = 16;
    // Views of the cams' own texts, which outlive this.
    std::vector<QByteArrayView> m_few;
    QHash<QByteArray, size_t> m_many;
};

} // namespace

TCamTreeModel::CamNodes& TCamTreeModel::Category::ChangeableCams() {
    if (Nodes.use_count() > 1)
        Nodes = std::make_shared<CamNodes>(*Nodes);
    return *Nodes;
}

TCamTreeModel::TCamTreeModel(QObject* parent)
    : QAbstractItemModel(parent) {}

TCamTreeModel::~TCamTreeModel() = default;

void TCamTreeModel::SortWholeList(const TCamList& list) {
    if (m_sortedGeneration == list.Generation() && m_sortedGeneration != 0)
        return;
    m_sorted.clear();
    // One walk over the cams: 100,000 of them are far apart in memory, and reaching each costs more
    // than what is done with it.
    const auto listOrder = std::make_shared<std::vector<TWebCamPtr>>();
    listOrder->reserve(size_t(list.Count()));
    TTextBlocks names;
    TCategoryPositions categories;
    for (const TWebCamPtr& cam : list) {
        listOrder->push_back(cam);
        const size_t position = categories.PositionOf(cam->Category);
        if (position == m_sorted.size())
            m_sorted.push_back(Category{DisplayText(cam->Category), 0, CollapsedImage, listOrder});
        m_sorted[position].Nodes->push_back(CamNode{names.Add(cam->Name), cam});
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseSensitive);
    for (Category& category : m_sorted)
        SortByText(*category.Nodes, collator);
    SortByText(m_sorted, collator);
    m_sortedGeneration = list.Generation();
}

void TCamTreeModel::Show(const std::function<bool(const TWebCam&)>& passes) {
    beginResetModel();
    m_categories.clear();
    for (const Category& sorted : m_sorted) {
        auto shown = std::make_unique<Category>();
        shown->Text = sorted.Text;
        shown->ListOrder = sorted.ListOrder;
        if (!passes) {
            shown->Nodes = sorted.Nodes;
        } else {
            for (const CamNode& node : sorted.Cams()) {
                if (passes(*node.Cam))
                    shown->Nodes->push_back(node);
            }
        }
        if (shown->Cams().empty())
            continue;
        shown->Row = int(m_categories.size());
        m_categories.push_back(std::move(shown));
    }
    endResetModel();
}

void TCamTreeModel::FillTree(const TCamList& list) {
    SortWholeList(list);
    Show(nullptr);
}

void TCamTreeModel::FillTreeByCountry(const TCamList& list, const QByteArray& country) {
    SortWholeList(list);
    Show([&country](const TWebCam& cam) { return cam.Country == country; });
}

void TCamTreeModel::Clear() {
    beginResetModel();
    m_categories.clear();
    m_sorted.clear();
    m_sortedGeneration = 0;
    endResetModel();
}

QModelIndex TCamTreeModel::AddToTree(const TWebCamPtr& cam) {
    const QString text = DisplayText(cam->Category);
    auto found = std::find_if(m_categories.begin(), m_categories.end(),
                              [&](const auto& category) { return category->Text == text; });
    if (found == m_categories.end()) {
        const int row = int(m_categories.size());
        beginInsertRows({}, row, row);
        auto category = std::make_unique<Category>();
        category->Text = text;
        category->Row = row;
        m_categories.push_back(std::move(category));
        endInsertRows();
        found = m_categories.end() - 1;
    }
    Category& category = **found;
    const QModelIndex parent = createIndex(category.Row, 0, nullptr);
    const int row = int(category.Cams().size());
    beginInsertRows(parent, row, row);
    category.ChangeableCams().push_back(CamNode{DisplayText(cam->Name), cam});
    endInsertRows();
    return index(row, 0, parent);
}

void TCamTreeModel::SetNodeText(const QModelIndex& node, const QString& text) {
    Category* category = CategoryOf(node);
    if (!category)
        return;
    category->ChangeableCams()[size_t(node.row())].Text = text;
    Q_EMIT dataChanged(node, node);
}

void TCamTreeModel::DeleteNode(const QModelIndex& node) {
    Category* category = CategoryOf(node);
    if (!category)
        return;
    beginRemoveRows(node.parent(), node.row(), node.row());
    CamNodes& cams = category->ChangeableCams();
    cams.erase(cams.begin() + node.row());
    endRemoveRows();
}

TWebCamPtr TCamTreeModel::CamOf(const QModelIndex& node) const {
    const Category* category = CategoryOf(node);
    return category ? category->Cams()[size_t(node.row())].Cam : nullptr;
}

QModelIndex TCamTreeModel::LastNodeOf(qint32 refid) const {
    for (auto category = m_categories.rbegin(); category != m_categories.rend(); ++category) {
        const CamNodes& cams = (*category)->Cams();
        for (size_t row = cams.size(); row-- > 0;) {
            if (cams[row].Cam->RefID == refid)
                return createIndex(int(row), 0, category->get());
        }
    }
    return {};
}

QModelIndex TCamTreeModel::FirstCamNode() const {
    for (const auto& category : m_categories) {
        if (!category->Cams().empty())
            return createIndex(0, 0, category.get());
    }
    return {};
}

void TCamTreeModel::SetImages(const QList<QIcon>& images) {
    m_images = images;
    if (!m_categories.empty())
        Q_EMIT dataChanged(index(0, 0), index(int(m_categories.size()) - 1, 0), {Qt::DecorationRole});
}

int TCamTreeModel::ImageIndex(const QModelIndex& node) const {
    return IsCategory(node) ? m_categories[size_t(node.row())]->ImageIndex : NoImage;
}

void TCamTreeModel::SetImageIndex(const QModelIndex& node, int image) {
    if (!IsCategory(node))
        return;
    m_categories[size_t(node.row())]->ImageIndex = image;
    Q_EMIT dataChanged(node, node, {Qt::DecorationRole});
}

TCamTreeModel::Category* TCamTreeModel::CategoryOf(const QModelIndex& camNode) const {
    if (!camNode.isValid() || camNode.model() != this)
        return nullptr;
    return static_cast<Category*>(camNode.internalPointer());
}

QModelIndex TCamTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row < int(m_categories.size()) ? createIndex(row, 0, nullptr) : QModelIndex();
    if (!IsCategory(parent) || parent.row() >= int(m_categories.size()))
        return {};
    Category* category = m_categories[size_t(parent.row())].get();
    return row < int(category->Cams().size()) ? createIndex(row, 0, category) : QModelIndex();
}

QModelIndex TCamTreeModel::parent(const QModelIndex& child) const {
    const Category* category = CategoryOf(child);
    return category ? createIndex(category->Row, 0, nullptr) : QModelIndex();
}

int TCamTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return int(m_categories.size());
    if (!IsCategory(parent) || parent.column() != 0)
        return 0;
    return int(m_categories[size_t(parent.row())]->Cams().size());
}

int TCamTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant TCamTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (IsCategory(index)) {
        const Category& category = *m_categories[size_t(index.row())];
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return category.Text;
        if (role == Qt::DecorationRole && category.ImageIndex >= 0 && category.ImageIndex < m_images.size())
            return m_images.at(category.ImageIndex);
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return CategoryOf(index)->Cams()[size_t(index.row())].Text;
    return {};
}

Qt::ItemFlags TCamTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Category nodes can never be selected.
    return IsCategory(index) ? Qt::ItemIsEnabled
                             : Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
