// The start-up logo: the maker label "Fennomark" in block glyphs, light grey
// with a blue outline on its left and right sides, on a 128 x 16 canvas
// (surface slot 0) centred on an otherwise black screen, presented at once.
//
// Start-up calls ShowLogo once, after the display, the back surface and the
// window are ready and before the joystick and sound open. Returns Present's
// result. A second call draws into the existing canvas again.
#pragma once

int ShowLogo();
