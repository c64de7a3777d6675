#include "i18n/UDownloadForm.h"

TDownloadForm::TDownloadForm(QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Downloading Language Pack"));
    setFixedSize(300, 163);
}
