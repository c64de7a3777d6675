#include "widgets/BuiltinIconEngine.h"

#include "widgets/BuiltinPictures.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

TBuiltinIconEngine::TBuiltinIconEngine(QString pathPattern, QList<int> sizes)
    : m_pathPattern(std::move(pathPattern))
    , m_sizes(std::move(sizes)) {
    std::sort(m_sizes.begin(), m_sizes.end());
}

int TBuiltinIconEngine::DrawnSizeFor(const QSize& size) const {
    const int wanted = std::max(size.width(), size.height());
    const auto fitting = std::lower_bound(m_sizes.cbegin(), m_sizes.cend(), wanted);
    return fitting != m_sizes.cend() ? *fitting : m_sizes.last();
}

QSize TBuiltinIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State) {
    if (m_sizes.isEmpty())
        return {};
    const int drawn = DrawnSizeFor(size);
    return QSize(drawn, drawn).boundedTo(size);
}

QPixmap TBuiltinIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    if (m_sizes.isEmpty() || size.isEmpty())
        return {};
    // Not through the pixmap cache, which would keep every size drawn once.
    QPixmap picture = QPixmap::fromImage(ReadBuiltinPicture(m_pathPattern.arg(DrawnSizeFor(size))));
    const QSize actual = actualSize(size, mode, state);
    if (!picture.isNull() && picture.size() != actual)
        picture = picture.scaled(actual, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    // Disabled and selected looks come from the style, as for every other icon.
    if (mode != QIcon::Normal && !picture.isNull() &&
        qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QStyleOption option;
        option.palette = QGuiApplication::palette();
        const QPixmap styled = QApplication::style()->generatedIconPixmap(mode, picture, &option);
        if (!styled.isNull())
            picture = styled;
    }
    return picture;
}

void TBuiltinIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) {
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap picture = pixmap(rect.size() * ratio, mode, state);
    picture.setDevicePixelRatio(ratio);
    const QSize shown = picture.size() / ratio;
    painter->drawPixmap(QRect(rect.center() - QPoint(shown.width(), shown.height()) / 2, shown), picture);
}

QList<QSize> TBuiltinIconEngine::availableSizes(QIcon::Mode, QIcon::State) {
    QList<QSize> sizes;
    for (const int size : m_sizes)
        sizes << QSize(size, size);
    return sizes;
}

QIconEngine* TBuiltinIconEngine::clone() const {
    return new TBuiltinIconEngine(m_pathPattern, m_sizes);
}

QString TBuiltinIconEngine::key() const {
    return QStringLiteral("TBuiltinIconEngine");
}
