#include "outreach/UMForm.h"

TMForm* MForm = nullptr;

TMForm::TMForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Lumora - Korvex Software"));
    resize(424, 407);
}

void TMForm::RequestMessage(int) {
    // The messages window fills this in: it asks the catalogue server for the current message.
}
