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
// A caption that breaks between words onto as many lines as its place is high, so that a language
// with longer words than the designed ones stays inside its place, in the window's font.
QLabel* MakeWrappingLabel(QWidget* parent, const QString& text, const QRect& place, Qt::Alignment alignment);
// A group of controls that belong together, such as a row of settings on a card of the background:
// the controls made in it take their places within it, and their captions stay inside it.
QWidget* MakePanel(QWidget* parent, const QRect& place, const char* name);
// Every control carries its designed name, and an accessible name from its caption or hint, so that
// tests, screen readers and automation find it without pixel positions.
void NameControls(std::initializer_list<std::pair<QWidget*, const char*>> controls);
