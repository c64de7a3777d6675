#include "core/LogCategories.h"

// From warnings up by default: debug output costs nothing until asked for.
Q_LOGGING_CATEGORY(lcWallpaper, "lumora.wallpaper", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPreview, "lumora.preview", QtWarningMsg)
Q_LOGGING_CATEGORY(lcCatalogue, "lumora.catalogue", QtWarningMsg)
Q_LOGGING_CATEGORY(lcLanguage, "lumora.language", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPack, "lumora.pack", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSkins, "lumora.skins", QtWarningMsg)
Q_LOGGING_CATEGORY(lcMessages, "lumora.messages", QtWarningMsg)
Q_LOGGING_CATEGORY(lcBrowser, "lumora.browser", QtWarningMsg)
Q_LOGGING_CATEGORY(lcNet, "lumora.net", QtWarningMsg)
Q_LOGGING_CATEGORY(lcProgram, "lumora.program", QtWarningMsg)
