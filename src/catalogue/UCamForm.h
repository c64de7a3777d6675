#pragma once

#include <QDialog>
#include <QString>

// The custom cam dialog: adding and editing a custom cam, and suggesting it for the catalogue.
// Created hidden at start and reused; its fields and buttons come with the cam dialog.
class QComboBox;

class TCamForm : public QDialog {
    Q_OBJECT
public:
    explicit TCamForm(QWidget* parent = nullptr);

    // Captions for adding and for editing a custom cam, set by the language file.
    QString NewCaptionText;
    QString EditCaptionText;

    // The countries of the catalogue, filled by each catalogue reply and never cleared; the user
    // may pick one or type any text.
    QComboBox* CountryEdit = nullptr;
};

// The cam dialog of the running program; none before it exists.
extern TCamForm* CamForm;
