#pragma once

#include <QDialog>

// The program's one notice dialog (no connection, suggestion sent or failed). Created hidden at
// start and reused; its notices come with the attention box.
class TAttentionForm : public QDialog {
    Q_OBJECT
public:
    explicit TAttentionForm(QWidget* parent = nullptr);
};
