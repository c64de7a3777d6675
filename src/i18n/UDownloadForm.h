#pragma once

#include <QDialog>
#include <QString>

// The window that downloads and installs a language pack. Created hidden at start and reused; its
// progress display and buttons come with the pack download.
class TDownloadForm : public QDialog {
    Q_OBJECT
public:
    explicit TDownloadForm(QWidget* parent = nullptr);

    // First part of the download message, set by the language file.
    QString MessageText;
};

// The pack download window of the running program; none before it exists.
extern TDownloadForm* DownloadForm;
