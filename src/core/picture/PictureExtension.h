#pragma once

#include <QByteArray>

// The extension under which a downloaded picture is stored, chosen from its address: one of
// ".jpg", ".jpeg", ".gif", ".bmp" or ".png". The decoder is later chosen by this extension.
//
// The address's own extension (after its last ".", when no "\" or ":" follows that ".") wins when
// it is one of the five, in any letter case. Otherwise the last of the five, in that order, that
// occurs anywhere in the address is used, and ".jpg" when none does.
QByteArray PictureExtension(const QByteArray& url);
