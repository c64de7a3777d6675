#include "app/ControlRules.h"

#include "core/UCams.h"

TControlStates UpdatedControlStates(const TControlInputs& inputs) {
    TControlStates states;
    states.PlusBut = true;
    const bool previewIsCustom = inputs.HasPreviewCam && inputs.PreviewCategory == TWebCam::CustomCategory;
    states.MinusBut = previewIsCustom;
    states.EditBut = previewIsCustom;
    states.HelpBut = true;
    states.ShutdownBut = true;
    states.TellBut = true;
    states.CancelBut = true;
    states.KorvexBut = true;
    states.CamPageBut = inputs.HasSelectedCam;
    // Restore goes back to the cam in use, so it only helps when another cam is chosen.
    states.RestoreBut = !inputs.ActiveURL.isEmpty() && inputs.ActiveURL != inputs.SelectedURL;
    // Only a cam whose preview loaded can be applied: the last preview is the selected cam.
    const bool previewLoaded =
        !inputs.SelectedURL.isEmpty() && inputs.HasPreviewCam && inputs.SelectedURL == inputs.PreviewURL;
    states.Applybut = previewLoaded;
    states.OKBut = previewLoaded;

    states.Configure1 = !inputs.WindowVisible;
    states.LanguagesRoot = true;
    states.Active1 = true;
    states.Showmessages1 = true;
    states.Runonstartup1 = true;
    states.Shutdownandkeepwallpaper1 = true;
    states.Shutdown1 = true;
    return states;
}

TControlStates DisabledControlStates() {
    TControlStates states;
    states.Runonstartup1 = true;
    states.Shutdown1 = true;
    return states;
}
