#include "i18n/UDownloadForm.h"

TDownloadForm* DownloadForm = nullptr;

TDownloadForm::TDownloadForm(QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Downloading Language Pack"));
    setFixedSize(300, 163);
}
