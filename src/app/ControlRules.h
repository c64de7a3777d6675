#pragma once

#include <QByteArray>

// Which buttons of the configuration window and which entries of the tray menu can be used.

// What the rules look at. A cam slot that does not exist yet is given as `false` in its Has... flag.
struct TControlInputs {
    bool HasPreviewCam = false;
    QByteArray PreviewCategory;
    QByteArray PreviewURL;
    bool HasSelectedCam = false;
    QByteArray SelectedURL;
    QByteArray ActiveURL;
    bool WindowVisible = false;
};

struct TControlStates {
    // Buttons of the configuration window.
    bool PlusBut = false;
    bool MinusBut = false;
    bool EditBut = false;
    bool HelpBut = false;
    bool ShutdownBut = false;
    bool TellBut = false;
    bool CancelBut = false;
    bool KorvexBut = false;
    bool CamPageBut = false;
    bool RestoreBut = false;
    bool Applybut = false;
    bool OKBut = false;
    // Entries of the tray menu.
    bool Configure1 = false;
    bool LanguagesRoot = false;
    bool Active1 = false;
    bool Showmessages1 = false;
    bool Runonstartup1 = false;
    bool Shutdownandkeepwallpaper1 = false;
    bool Shutdown1 = false;

    bool operator==(const TControlStates&) const = default;
};

// The states after every change of the window's state.
TControlStates UpdatedControlStates(const TControlInputs& inputs);

// The states while the program waits for the catalogue or a custom cam dialog is open: only
// "Run on startup" and "Shut down" stay usable.
TControlStates DisabledControlStates();
