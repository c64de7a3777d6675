#pragma once

#include <QIconEngine>
#include <QList>
#include <QString>

// An icon drawn in several square sizes, each a built-in picture named by its size ("%1" in the
// pattern). A size is decoded only when a window or the tray asks for it, and not kept afterwards:
// the program idles in the tray with one small picture of its icon shown, not all of them decoded.
class TBuiltinIconEngine : public QIconEngine {
public:
    TBuiltinIconEngine(QString pathPattern, QList<int> sizes);

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;

private:
    // The drawn size that serves `size` best: the smallest not below it, else the largest.
    int DrawnSizeFor(const QSize& size) const;

    QString m_pathPattern;
    QList<int> m_sizes; // ascending
};
