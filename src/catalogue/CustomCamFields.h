#pragma once

#include "core/UCams.h"

class TCamForm;

// The cam dialog's six fields and a custom cam. Typed texts become the cam's bytes as UTF-8; a field
// left unchanged keeps its bytes.

// Puts the cam's values in the fields; no cam empties them all.
void WriteCamFields(const TWebCam* cam, TCamForm& form);
// Takes the fields into the cam as typed, the title even when empty, the lines of a pasted text
// joined with blanks; the cam becomes a custom cam, and a refresh that is not an integer gives the
// default refresh.
void ReadCamFields(const TCamForm& form, TWebCam& cam);
