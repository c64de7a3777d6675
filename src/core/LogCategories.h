#pragma once

#include <QLoggingCategory>

// The program keeps no log of its own; a failure it absorbs is still told on stderr, which the
// session's journal keeps, as a warning in one of these categories. Debug and info output is off
// unless QT_LOGGING_RULES (or a qtlogging.ini) asks for it, e.g. QT_LOGGING_RULES="lumora.*.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcWallpaper) // lumora.wallpaper: fetching, decoding, installing the wallpaper
Q_DECLARE_LOGGING_CATEGORY(lcPreview)   // lumora.preview: the preview picture of the chosen cam
Q_DECLARE_LOGGING_CATEGORY(lcCatalogue) // lumora.catalogue: the catalogue reply and the custom cams
Q_DECLARE_LOGGING_CATEGORY(lcLanguage)  // lumora.language: language files and the language menu
Q_DECLARE_LOGGING_CATEGORY(lcPack)      // lumora.pack: downloading, testing and unpacking language packs
Q_DECLARE_LOGGING_CATEGORY(lcSkins)     // lumora.skins: the pictures of a language's skin
Q_DECLARE_LOGGING_CATEGORY(lcMessages)  // lumora.messages: the message reply and messages.cam
Q_DECLARE_LOGGING_CATEGORY(lcBrowser)   // lumora.browser: the browser that shows a message
Q_DECLARE_LOGGING_CATEGORY(lcNet)       // lumora.net: HTTP transfers
Q_DECLARE_LOGGING_CATEGORY(lcProgram)   // lumora.program: the program's start, its data folder and its tray
