#pragma once

#include <QWidget>

// The server messages window: shows the catalogue server's current message once. Created hidden at
// start and reused; its browser, check boxes and buttons come with the messages window.
class TMForm : public QWidget {
    Q_OBJECT
public:
    explicit TMForm(QWidget* parent = nullptr);

    // The "show messages" setting the user chose when OK was last pressed.
    bool ShowMessagesChoice = true;

    // Asks the server for its current message in the given language.
    void RequestMessage(int language);

Q_SIGNALS:
    // Fired by OK after ShowMessagesChoice is set; the main window saves the choice.
    void OnShowMessagesChange(TMForm* Sender);
};

// The messages window of the running program; none before it exists.
extern TMForm* MForm;
