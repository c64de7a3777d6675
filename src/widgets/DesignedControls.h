#pragma once

#include <QRect>
#include <QString>
#include <Qt>
#include <initializer_list>
#include <utility>

class QLabel;
class QWidget;
class TImgBtn;

// Controls in the places the window's design gives them, for windows laid out by pixel.

// A picture button with a hand cursor; its pictures come with the window's first show.
TImgBtn* MakeButton(QWidget* parent, int left, int top, const QString& hint);
// A caption over the window's background.
QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& place, Qt::Alignment alignment);
// Every control carries its designed name, and an accessible name from its caption or hint, so that
// tests, screen readers and automation find it without pixel positions.
void NameControls(std::initializer_list<std::pair<QWidget*, const char*>> controls);
